#include <gtest/gtest.h>

#include "companions/klapi/SupplyRules.h"

namespace {

TEST(SupplyRules, LevelsTheyDoNotKnowAreShownAsUnknownNeverAsEmpty) {
    for (long long special :
         {supply::kLevelOther, supply::kLevelUnknown, supply::kLevelSomeRemaining, -77}) {
        SCOPED_TRACE(special);
        const int shown = supply::ShownLevel(special, 100);
        EXPECT_EQ(shown, supply::kShownUnknown);
        EXPECT_FALSE(supply::InkIsOut(shown));
        EXPECT_FALSE(supply::InkIsLow(shown, 15));
        EXPECT_EQ(supply::InkPadState(shown), supply::InkPad::NotKnown);
    }
    // A level without a maximum to measure it by.
    EXPECT_EQ(supply::ShownLevel(40, supply::kLevelUnknown), supply::kShownUnknown);
    EXPECT_EQ(supply::ShownLevel(40, 0), supply::kShownUnknown);
}

TEST(SupplyRules, PercentOfTheMaximumWithoutOverflowOrFalseEmpties) {
    EXPECT_EQ(supply::ShownLevel(0, 100), 0);
    EXPECT_EQ(supply::ShownLevel(37, 100), 37);
    EXPECT_EQ(supply::ShownLevel(250, 1000), 25);
    // Some left never reads as out.
    EXPECT_EQ(supply::ShownLevel(1, 1000), 1);
    EXPECT_FALSE(supply::InkIsOut(supply::ShownLevel(1, 1000)));
    // Above the maximum: full.
    EXPECT_EQ(supply::ShownLevel(130, 100), 100);
    // Units where level * 100 passes 32 and 64 bits.
    EXPECT_EQ(supply::ShownLevel(30000000, 60000000), 50);
    EXPECT_EQ(supply::ShownLevel(0x3FFFFFFFFFFFFFFFLL, 0x7FFFFFFFFFFFFFFFLL), 50);
}

TEST(SupplyRules, AReceptacleIsAnInkPadByTheSpaceLeftInIt) {
    EXPECT_EQ(supply::InkPadState(100), supply::InkPad::Fine);
    EXPECT_EQ(supply::InkPadState(11), supply::InkPad::Fine);
    EXPECT_EQ(supply::InkPadState(10), supply::InkPad::NearFull);
    EXPECT_EQ(supply::InkPadState(1), supply::InkPad::NearFull);
    EXPECT_EQ(supply::InkPadState(0), supply::InkPad::Full);
    // The printer's own mark, when it gives one that makes sense.
    EXPECT_EQ(supply::InkPadState(15, 20), supply::InkPad::NearFull);
    EXPECT_EQ(supply::InkPadState(15, 500), supply::InkPad::Fine);
}

TEST(SupplyRules, InkLowAtOrBelowThePrintersMarkOnly) {
    EXPECT_TRUE(supply::InkIsLow(15, 15));
    EXPECT_FALSE(supply::InkIsLow(16, 15));
    EXPECT_FALSE(supply::InkIsLow(5, -1)); // no mark given
    EXPECT_TRUE(supply::InkIsOut(0));
    EXPECT_FALSE(supply::InkIsOut(supply::kShownUnknown));
}

} // namespace
