#pragma once
#include <cstdint>

// Hexadecimal digits and pairs of them, either case, for every reader of text
// that carries numbers in hexadecimal (status replies, settings, requests,
// HTTP chunk sizes). Byte-only, so that it builds natively.
namespace hexpairs {

// Digit values by byte; kNotDigit for bytes that are not hexadecimal digits.
constexpr std::uint8_t kNotDigit = 0xFF;

struct DigitTable {
    std::uint8_t value[256]{};
    constexpr DigitTable() {
        for (std::uint8_t& v : value)
            v = kNotDigit;
        for (int c = '0'; c <= '9'; ++c)
            value[c] = static_cast<std::uint8_t>(c - '0');
        for (int c = 'A'; c <= 'F'; ++c) {
            value[c] = static_cast<std::uint8_t>(c - 'A' + 10);
            value[c + ('a' - 'A')] = static_cast<std::uint8_t>(c - 'A' + 10);
        }
    }
};
inline constexpr DigitTable kDigits;

// 0 to 15, or -1 when c is not a hexadecimal digit.
constexpr int DigitValue(char c) {
    const std::uint8_t v = kDigits.value[static_cast<unsigned char>(c)];
    return v == kNotDigit ? -1 : v;
}

// Two digits, high first, into *byte; false (and *byte untouched) when either
// is not a digit. Reads exactly p[0] and p[1].
inline bool Pair(const unsigned char* p, std::uint8_t* byte) {
    const unsigned high = kDigits.value[p[0]];
    const unsigned low = kDigits.value[p[1]];
    if ((high | low) > 0x0F)
        return false;
    *byte = static_cast<std::uint8_t>(high * 16 + low);
    return true;
}

} // namespace hexpairs
