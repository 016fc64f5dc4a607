#include "companions/klapi/SupplyRules.h"

namespace supply {

int ShownLevel(long long level, long long maxCapacity) {
    if (level < 0 || maxCapacity <= 0)
        return kShownUnknown;
    if (level == 0)
        return 0;
    if (level >= maxCapacity)
        return 100;
    // level * 100 in 64 bits, divided first where even that would overflow.
    constexpr long long kLargest = 0x7FFFFFFFFFFFFFFFLL;
    const long long percent =
        level <= kLargest / 100 ? level * 100 / maxCapacity : level / (maxCapacity / 100);
    return percent < 1 ? 1 : percent > 100 ? 100 : static_cast<int>(percent);
}

InkPad InkPadState(int shownLevel, int nearFullPercent) {
    if (shownLevel < 0 || shownLevel > 100)
        return InkPad::NotKnown;
    if (shownLevel == 0)
        return InkPad::Full;
    if (nearFullPercent < 0 || nearFullPercent > 100)
        nearFullPercent = kNearFullPercent;
    return shownLevel <= nearFullPercent ? InkPad::NearFull : InkPad::Fine;
}

bool InkIsOut(int shownLevel) {
    return shownLevel == 0;
}

bool InkIsLow(int shownLevel, int lowPercent) {
    return shownLevel >= 0 && shownLevel <= 100 && lowPercent >= 0 && shownLevel <= lowPercent;
}

} // namespace supply
