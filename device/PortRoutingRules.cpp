#include "device/PortRoutingRules.h"

namespace {
bool StartsWithNoCase(const char* text, const char* prefix) {
    for (; *prefix; ++text, ++prefix) {
        char c = *text;
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if (c != *prefix)
            return false;
    }
    return true;
}
} // namespace

RouterPortKind RouterValueKind(const char* value) {
    if (!value)
        return RouterPortKind::None;
    if (StartsWithNoCase(value, "LPT"))
        return RouterPortKind::Lpt;
    if (StartsWithNoCase(value, "KLPIP"))
        return RouterPortKind::KlpIp;
    if (StartsWithNoCase(value, "IPX"))
        return RouterPortKind::Ipx;
    return RouterPortKind::None;
}
