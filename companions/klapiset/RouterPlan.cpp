#include "RouterPlan.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <cstdio>

namespace klapiset {

namespace {

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    for (size_t i = 0; prefix[i]; ++i) {
        if (i >= text.size() || std::toupper(static_cast<unsigned char>(text[i])) != prefix[i])
            return false;
    }
    return true;
}

struct KindName {
    PortKind kind;
    const char* name;
};

constexpr KindName kKinds[] = {
    {PortKind::Lpt, "LPT"}, {PortKind::KlpIp, "KLPIP"}, {PortKind::Ipx, "IPX"}};

} // namespace

PortKind KindOf(const std::string& value) {
    const auto* found = std::find_if(std::begin(kKinds), std::end(kKinds), [&](const KindName& k) {
        return StartsWithNoCase(value, k.name);
    });
    return found != std::end(kKinds) ? found->kind : PortKind::None;
}

std::string SlotName(int index) {
    char name[16];
    std::snprintf(name, sizeof name, "KLP%02d", index);
    return name;
}

bool PlanRouterUpdate(const std::vector<RouterSlot>& slots, std::vector<RouterWrite>* writes) {
    writes->clear();
    bool present[4] = {false, false, false, false};
    for (const RouterSlot& s : slots)
        if (!s.free)
            present[static_cast<int>(KindOf(s.text))] = true;

    size_t next = 0;
    for (const KindName& k : kKinds) {
        if (present[static_cast<int>(k.kind)])
            continue;
        while (next < slots.size() && !slots[next].free)
            ++next;
        if (next >= slots.size() || next >= static_cast<size_t>(kRouterSlots)) {
            writes->clear();
            return false;
        }
        writes->push_back(RouterWrite{static_cast<int>(next), k.name});
        ++next;
    }
    return true;
}

} // namespace klapiset
