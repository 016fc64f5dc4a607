#include <gtest/gtest.h>

#include <cctype>

#include "support/HexPairs.h"

namespace {

// Every byte value, against the C library's notion of a hex digit; bytes above
// 0x7F must not be taken for digits through a signed char.
TEST(HexPairs, DigitValueOfEveryByte) {
    for (int b = 0; b < 256; ++b) {
        const char c = static_cast<char>(b);
        const int expected = !std::isxdigit(b) ? -1
                             : std::isdigit(b) ? b - '0'
                                               : std::tolower(b) - 'a' + 10;
        EXPECT_EQ(hexpairs::DigitValue(c), expected) << "byte " << b;
    }
}

TEST(HexPairs, PairDecodesEitherCaseAndRejectsEitherBadDigit) {
    struct Case {
        const char* text;
        bool ok;
        std::uint8_t byte;
    } const cases[] = {
        {"00", true, 0x00}, {"0A", true, 0x0A},  {"a0", true, 0xA0}, {"fF", true, 0xFF},
        {"7f", true, 0x7F}, {"G0", false, 0},    {"0g", false, 0},   {"/0", false, 0},
        {"0:", false, 0},   {"@1", false, 0},    {"1`", false, 0},   {" 1", false, 0},
        {"1\0", false, 0},  {"\3011", false, 0}, // 0xC1 then '1'
    };
    for (const Case& c : cases) {
        std::uint8_t byte = 0x5A;
        const bool ok = hexpairs::Pair(reinterpret_cast<const unsigned char*>(c.text), &byte);
        EXPECT_EQ(ok, c.ok) << c.text;
        // A rejected pair leaves the caller's byte as it was.
        EXPECT_EQ(byte, c.ok ? c.byte : 0x5A) << c.text;
    }
}

} // namespace
