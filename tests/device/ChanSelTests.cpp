#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "V_PQIF07.h"
#include "device/ChanSel.h"

namespace {

constexpr std::uint16_t S = ChannelFlagStatus;

struct Choice {
    int rc;
    int channel;
    std::uint16_t value;
};

Choice Select(std::initializer_list<ChannelEntry> list) {
    std::vector<ChannelEntry> entries(list);
    ChanSel selector(entries.data(), static_cast<int>(entries.size()), ChannelIdPreferred);
    Choice c{-9, -9, 0xEEEE};
    c.rc = selector.GetStatChannel(&c.channel, &c.value);
    return c;
}

TEST(ChanSel, SelectionRule) {
    struct Case {
        std::initializer_list<ChannelEntry> list;
        int rc;
        int channel;
        std::uint16_t value;
    };
    const Case cases[] = {
        // id 4 first, whatever the list order
        {{{ChannelIdRecord, S, 1}, {ChannelIdPreferred, S, 2}, {4, S, 3}}, 0, 4, 3},
        // id 4 without the bit falls through to the preferred id
        {{{4, 0, 1}, {ChannelIdPreferred, S, 2}}, 0, ChannelIdPreferred, 2},
        // only the first entry of an id counts
        {{{4, 0, 1}, {4, S, 2}, {ChannelIdAlternate, S | 0x8000, 3}}, 0, ChannelIdAlternate, 3},
        {{{ChannelIdRecord, S, 9}}, 0, ChannelIdRecord, 9},
        {{{ChannelIdRecord, 0, 9}}, 1, -9, 0xEEEE},
        // bit 2 of the low byte only; other bits and ids do not qualify
        {{{4, 0x0400, 1}, {7, S, 2}, {0, S, 3}}, 1, -9, 0xEEEE},
        {{{ChannelIdAlternate, 0xFFFF, 5}, {ChannelIdRecord, S, 6}}, 0, ChannelIdAlternate, 5},
    };
    for (const Case& c : cases) {
        Choice got = Select(c.list);
        EXPECT_EQ(got.rc, c.rc);
        EXPECT_EQ(got.channel, c.channel);
        EXPECT_EQ(got.value, c.value);
    }
}

TEST(ChanSel, ChoiceIsCachedAndFirstEntryFlagsReported) {
    ChannelEntry list[] = {{ChannelIdRecord, 0x8004, 1}, {ChannelIdPreferred, S, 2}};
    ChanSel selector(list, 2, ChannelIdPreferred);
    ASSERT_EQ(selector.GetResult(), 0);
    EXPECT_EQ(selector.FirstEntryFlags(), 0x8004);
    int channel = 0;
    std::uint16_t value = 0;
    ASSERT_EQ(selector.GetStatChannel(&channel, &value), 0);
    EXPECT_EQ(channel, ChannelIdPreferred);
    list[1].flags = 0; // the selector has its own copy
    channel = 0;
    ASSERT_EQ(selector.GetStatChannel(&channel, &value), 0);
    EXPECT_EQ(channel, ChannelIdPreferred);
    EXPECT_EQ(value, 2);
}

TEST(ChanSel, EmptyOrImpossibleListsGiveOne) {
    ChannelEntry one = {4, S, 1};
    for (int count : {0, -1, 0x7FFFFFFF}) {
        ChanSel selector(&one, count, ChannelIdPreferred);
        EXPECT_EQ(selector.GetResult(), 1) << count;
        int channel = -9;
        EXPECT_EQ(selector.GetStatChannel(&channel, nullptr), 1);
        EXPECT_EQ(channel, -9);
    }
    ChanSel none(static_cast<const ChannelEntry*>(nullptr), 3, ChannelIdPreferred);
    EXPECT_EQ(none.GetResult(), 1);
}

TEST(PrSelectChan, ChoosesAndReportsLikeTheSelector) {
    PQIF_CHANNEL_ENTRY list[] = {{4, 0, 0x1111}, {4, S, 0x2222}, {ChannelIdPreferred, S, 0x3333}};
    LONG kind = -1, a = -1, b = -1;
    EXPECT_EQ(PrSelectChan(0, list, 3, &kind, &a, &b), 0);
    EXPECT_EQ(kind, ChannelIdPreferred);
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 0);
}

TEST(PrSelectChan, NothingQualifiesOrNothingGiven) {
    PQIF_CHANNEL_ENTRY list[] = {{4, 0, 1}, {ChannelIdRecord, 0x8000, 2}, {99, S, 3}};
    LONG kind = -1, a = -2, b = -3;
    EXPECT_EQ(PrSelectChan(0, list, 3, &kind, &a, &b), 0);
    EXPECT_EQ(kind, -1);
    EXPECT_EQ(a, -2);
    EXPECT_EQ(b, -3);
    EXPECT_EQ(PrSelectChan(0, list, 0, &kind, &a, &b), 1);
    EXPECT_EQ(PrSelectChan(0, nullptr, 2, &kind, &a, &b), 1);
    EXPECT_EQ(PrSelectChan(0, list, 0x20000000, &kind, &a, &b), 1);
    EXPECT_EQ(kind, -1);
    // Null outputs are skipped, not written through.
    EXPECT_EQ(PrSelectChan(0, list, 1, nullptr, nullptr, nullptr), 0);
    list[0].flags = S;
    EXPECT_EQ(PrSelectChan(0, list, 1, nullptr, nullptr, nullptr), 0);
}

} // namespace
