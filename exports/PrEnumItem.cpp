#include "V_PQIF07.h"

#include <cstdlib>

namespace {
// Item numbers whose notification each offered item controls, by index.
constexpr LONG kItemCodes[] = {12, 11, 14, 9, 13};
constexpr int kItemCountId = 1000;
constexpr int kFirstItemNameId = 1001;
constexpr int kNameCapacity = 260;
} // namespace

extern "C" LONG WINAPI PrEnumItem(HMODULE resourceModule, LONG* index, char* name, LONG* itemCode) {
    if (!index)
        return 1;
    char countText[8] = {};
    ::LoadStringA(resourceModule, kItemCountId, countText, sizeof countText);
    long count = std::strtol(countText, nullptr, 10);

    if (*index < 0 || *index >= count) {
        *index = 0;
        return 1;
    }
    if (name) {
        name[0] = '\0';
        ::LoadStringA(resourceModule, kFirstItemNameId + *index, name, kNameCapacity);
    }
    if (itemCode) {
        constexpr LONG known = sizeof kItemCodes / sizeof kItemCodes[0];
        *itemCode = *index < known ? kItemCodes[*index] : 0;
    }
    ++*index;
    return 0;
}
