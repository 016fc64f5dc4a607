#include <gtest/gtest.h>

#include <initializer_list>

#include "status/StatusMap.h"
#include "status/StatusReply.h"

namespace {

PrinterStatus Record(int state, int error = 0xFF, std::initializer_list<int> ink = {},
                     std::initializer_list<int> warnings = {}) {
    PrinterStatus s{};
    s.state = static_cast<std::uint8_t>(state);
    s.error = static_cast<std::uint8_t>(error);
    s.tcValue = 0xFFFF;
    for (int level : ink)
        s.inkLevel[s.inkCount++] = static_cast<std::uint8_t>(level);
    for (int code : warnings)
        s.warning[s.warningCount++] = static_cast<std::uint8_t>(code);
    return s;
}

TEST(StatusNumber, ErrorCodesWhenStateIsZero) {
    const int table[][2] = {{0x00, 14}, {0x01, 18}, {0x02, 32}, {0x03, 30}, {0x04, 9},  {0x06, 5},
                            {0x07, 9},  {0x09, 34}, {0x0E, 28}, {0x12, 25}, {0x13, 26}, {0x14, 27},
                            {0x15, 29}, {0x16, 31}, {0x17, 9},  {0xFF, 9}};
    for (const auto& row : table)
        EXPECT_EQ(StatusNumber(Record(0, row[0])), row[1]) << "error " << row[0];
}

TEST(StatusNumber, InkRule) {
    struct Case {
        std::initializer_list<int> ink;
        int expected;
    };
    const Case cases[] = {
        {{}, 2},                         // no levels at all
        {{0, 50, 60, 70, 80, 90}, 3},    // only slot 0 empty
        {{0xFF, 50, 60, 70, 80, 90}, 3}, // unknown counts as empty
        {{50, 60, 0, 70, 80, 90}, 4},    // another slot empty
        {{0, 0, 60, 70, 80, 90}, 2},     // both
        {{50, 60}, 4},                   // missing slots read as empty
        {{10, 20, 30, 40, 50, 60}, 3},   // slot 0 below the lowest other
        {{20, 20, 30, 40, 50, 60}, 2},   // equal to it
        {{90, 20, 30, 40, 50, 60}, 4},   // above it
        {{100, 100, 100, 100, 100, 100}, 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StatusNumber(Record(0, 0x05, c.ink)), c.expected);
}

TEST(StatusNumber, StatesAndWarnings) {
    struct Case {
        int state;
        std::initializer_list<int> warnings;
        int expected;
    };
    const Case cases[] = {
        {0x05, {0x10}, 21},
        {0x06, {}, 22},
        {0x08, {0x11}, 19},
        {0x09, {}, 23},
        {0x0A, {}, 24},
        {0x04, {0x10, 0x12}, 20},
        {0x04, {0x10, 0x16}, 12},
        {0x04, {0x10}, 12},
        {0x04, {0x12, 0x10}, 13},
        {0x04, {0x15}, 13},
        {0x04, {0x20}, 33},
        {0x03, {0x21}, 11},
        {0x02, {}, 11},
        {0x04, {}, 1},
        {0x07, {0x30}, 10},
        {0x01, {}, 0},
        {0xFF, {}, 0},
        {0x0B, {0x16}, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StatusNumber(Record(c.state, 0xFF, {}, c.warnings)), c.expected)
            << "state " << c.state;
}

TEST(IndicatorMask, InkSlotsAndWarnings) {
    struct Case {
        int number;
        std::initializer_list<int> ink;
        std::initializer_list<int> warnings;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {2, {}, {0x10}, 0x1000}, // no ink information wins outright
        {3, {0, 50, 0xFF, 30, 40, 100}, {}, 0x40 | 0x100},
        {4, {50, 60}, {}, 0x100 | 0x200 | 0x400 | 0x800}, // slots beyond the count read 0
        {4, {50, 60, 70, 80, 90, 99}, {0x10, 0x15, 0x16, 0x09}, 0x01 | 0x20},
        {12, {0, 0}, {0x10, 0x11}, 0x03}, // ink bits only for 2, 3, 4
        {13, {}, {0x13}, 0x08},
        {20, {}, {0x10, 0x14}, 0x11},
        {1, {0}, {0x10}, 0},
        {33, {}, {0x20}, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IndicatorMask(Record(4, 0xFF, c.ink, c.warnings), c.number), c.expected)
            << "number " << c.number;
}

TEST(MapStatusNumber, EveryNumber) {
    // result code, item number for status numbers 0..36
    const int table[37][2] = {
        {11, 11}, {1, 1},   {10, 12}, {10, 12},   {10, 12}, {3, 12},  {12, 12}, {12, 12},
        {11, 11}, {12, 12}, {15, 12}, {999, 999}, {9, 9},   {9, 9},   {12, 12}, {12, 12},
        {12, 12}, {12, 12}, {14, 12}, {10, 12},   {9, 9},   {12, 12}, {15, 12}, {15, 15},
        {15, 12}, {3, 12},  {3, 12},  {12, 12},   {3, 12},  {12, 12}, {12, 12}, {12, 12},
        {6, 12},  {13, 13}, {12, 12}, {11, 11},   {14, 14}};
    for (int n = 0; n < 37; ++n) {
        int result = -7, item = -7;
        MapStatusNumber(n, &result, &item);
        EXPECT_EQ(result, table[n][0]) << n;
        EXPECT_EQ(item, table[n][1]) << n;
    }
    for (int n : {37, 1000, -1}) {
        int result = 0, item = 0;
        MapStatusNumber(n, &result, &item);
        EXPECT_EQ(result, 12) << n;
        EXPECT_EQ(item, 12) << n;
    }
}

} // namespace
