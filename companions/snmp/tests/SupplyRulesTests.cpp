#include <gtest/gtest.h>

#include "companions/klapi/SupplyRules.h"

namespace {

TEST(SupplyRules, LevelsAndReceptacles) {
    using supply::WasteState;
    struct Case {
        long long reading, capacity;
        int percent;
    } percents[] = {
        {50, 100, 50},
        {1, 3, 33},
        {0, 100, 0},
        {300, 200, 100},
        {-1, 100, -1},
        {-2, 100, -1},
        {-3, 100, -1},
        {55, -2, 55},
        {101, -2, -1},
        {0, 0, 0},
        {4294967295LL, 4294967295LL, 100},
        {2147483647LL, 4294967296LL, 49},
    };
    for (const Case& c : percents)
        EXPECT_EQ(supply::Percent(c.reading, c.capacity), c.percent)
            << c.reading << "/" << c.capacity;

    EXPECT_EQ(supply::ShownLevel(-1), supply::kLevelUnknown);
    EXPECT_EQ(supply::ShownLevel(0), 0);
    EXPECT_EQ(supply::ShownLevel(140), 100);

    EXPECT_EQ(supply::WasteFromFill(-1), WasteState::Unknown);
    EXPECT_EQ(supply::WasteFromFill(89), WasteState::Fine);
    EXPECT_EQ(supply::WasteFromFill(90), WasteState::NearFull);
    EXPECT_EQ(supply::WasteFromFill(100), WasteState::Full);
    // The MIB gives a receptacle's remaining space.
    EXPECT_EQ(supply::WasteFromRemaining(100, 100), WasteState::Fine);
    EXPECT_EQ(supply::WasteFromRemaining(10, 100), WasteState::NearFull);
    EXPECT_EQ(supply::WasteFromRemaining(0, 100), WasteState::Full);
    EXPECT_EQ(supply::WasteFromRemaining(0, -2), WasteState::Full);
    EXPECT_EQ(supply::WasteFromRemaining(-3, 100), WasteState::Unknown);
    EXPECT_EQ(supply::WasteFromRemaining(-2, 100), WasteState::Unknown);
}

} // namespace
