#include "SupplyRules.h"

namespace supply {

int Percent(long long reading, long long capacity) {
    if (reading < 0)
        return -1;
    if (capacity <= 0) // -1 other, -2 unknown: only a percentage reading says something
        return reading <= 100 ? static_cast<int>(reading) : -1;
    if (reading >= capacity)
        return 100;
    // reading < capacity < 2^63 / 100 for any MIB value (32-bit), so no overflow.
    return static_cast<int>(reading * 100 / capacity);
}

int ShownLevel(int percent) {
    if (percent < 0)
        return kLevelUnknown;
    return percent > 100 ? 100 : percent;
}

WasteState WasteFromFill(int percentFull) {
    if (percentFull < 0)
        return WasteState::Unknown;
    if (percentFull >= 100)
        return WasteState::Full;
    if (percentFull >= kNearFullPercent)
        return WasteState::NearFull;
    return WasteState::Fine;
}

WasteState WasteFromRemaining(long long reading, long long capacity) {
    if (reading == kReadingSomeLeft)
        return WasteState::Unknown;
    if (reading == 0) // no space left, whatever the capacity says
        return WasteState::Full;
    int left = Percent(reading, capacity);
    if (left < 0)
        return WasteState::Unknown;
    return WasteFromFill(100 - left);
}

} // namespace supply
