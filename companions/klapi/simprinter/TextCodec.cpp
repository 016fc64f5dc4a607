#include "companions/klapi/simprinter/TextCodec.h"

#include <cstdio>

#include "support/HexPairs.h"

namespace {

char SimpleEscape(char c) {
    switch (c) {
    case 'r':
        return '\r';
    case 'n':
        return '\n';
    case 'f':
        return '\f';
    case 't':
        return '\t';
    case 'v':
        return '\v';
    case 'a':
        return '\a';
    case 'b':
        return '\b';
    case 'e':
        return '\x1B';
    case '0':
        return '\0';
    case '\\':
    case '"':
    case '\'':
        return c;
    default:
        return 1; // not a simple escape
    }
}

void PutLittleEndian(std::vector<std::uint8_t>* out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out->push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

} // namespace

bool DecodeEscapes(const std::string& text, std::string* bytes, std::string* error) {
    bytes->clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            bytes->push_back(text[i]);
            continue;
        }
        if (++i == text.size()) {
            *error = "a backslash ends the text";
            return false;
        }
        char c = text[i];
        if (c == 'x') {
            int high = i + 1 < text.size() ? hexpairs::DigitValue(text[i + 1]) : -1;
            if (high < 0) {
                *error = "\\x needs a hex digit";
                return false;
            }
            int value = high;
            ++i;
            int low = i + 1 < text.size() ? hexpairs::DigitValue(text[i + 1]) : -1;
            if (low >= 0) {
                value = value * 16 + low;
                ++i;
            }
            bytes->push_back(static_cast<char>(value));
            continue;
        }
        char simple = SimpleEscape(c);
        if (simple == 1) {
            *error = std::string("unknown escape \\") + c;
            return false;
        }
        bytes->push_back(simple);
    }
    return true;
}

std::string EncodeEscapes(const std::string& bytes) {
    std::string text;
    for (unsigned char c : bytes) {
        switch (c) {
        case '\r':
            text += "\\r";
            break;
        case '\n':
            text += "\\n";
            break;
        case '\f':
            text += "\\f";
            break;
        case '\t':
            text += "\\t";
            break;
        case '\\':
            text += "\\\\";
            break;
        case '"':
            text += "\\\"";
            break;
        default:
            if (c >= 0x20 && c < 0x7F) {
                text.push_back(static_cast<char>(c));
            } else {
                char hex[5];
                std::snprintf(hex, sizeof hex, "\\x%02X", c);
                text += hex;
            }
        }
    }
    return text;
}

bool ParseNumber(const std::string& text, long long low, long long high, long long* value) {
    bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    bool negative = !hex && !text.empty() && text[0] == '-';
    size_t at = hex ? 2 : negative ? 1 : 0;
    if (at == text.size())
        return false;
    // Digits are accumulated with a bound well above any 32-bit range, so
    // nothing can overflow.
    constexpr long long kBound = 1LL << 40;
    long long magnitude = 0;
    for (; at < text.size(); ++at) {
        int digit = hex                                    ? hexpairs::DigitValue(text[at])
                    : (text[at] >= '0' && text[at] <= '9') ? text[at] - '0'
                                                           : -1;
        if (digit < 0)
            return false;
        magnitude = magnitude * (hex ? 16 : 10) + digit;
        if (magnitude > kBound)
            return false;
    }
    long long parsed = negative ? -magnitude : magnitude;
    if (parsed < low || parsed > high)
        return false;
    *value = parsed;
    return true;
}

bool ParseChannelList(const std::string& text, std::vector<std::uint8_t>* packed,
                      std::string* error) {
    packed->clear();
    if (text.empty())
        return true;
    size_t start = 0;
    for (;;) {
        size_t comma = text.find(',', start);
        std::string entry =
            text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        size_t first = entry.find(':');
        size_t second = first == std::string::npos ? first : entry.find(':', first + 1);
        long long id = 0, flags = 0, value = 0;
        if (second == std::string::npos ||
            !ParseNumber(entry.substr(0, first), -2147483648LL, 0xFFFFFFFFLL, &id) ||
            !ParseNumber(entry.substr(first + 1, second - first - 1), 0, 0xFFFF, &flags) ||
            !ParseNumber(entry.substr(second + 1), 0, 0xFFFF, &value)) {
            *error = "bad channel entry \"" + entry + "\" (want ID:FLAGS:VALUE)";
            return false;
        }
        PutLittleEndian(packed, static_cast<std::uint32_t>(id), 4);
        PutLittleEndian(packed, static_cast<std::uint32_t>(flags), 2);
        PutLittleEndian(packed, static_cast<std::uint32_t>(value), 2);
        if (comma == std::string::npos)
            return true;
        start = comma + 1;
    }
}

std::string FormatChannelList(const std::vector<std::uint8_t>& packed) {
    std::string text;
    for (size_t at = 0; at + 8 <= packed.size(); at += 8) {
        std::uint32_t id = packed[at] | packed[at + 1] << 8 | packed[at + 2] << 16 |
                           static_cast<std::uint32_t>(packed[at + 3]) << 24;
        unsigned flags = packed[at + 4] | packed[at + 5] << 8;
        unsigned value = packed[at + 6] | packed[at + 7] << 8;
        char entry[48];
        std::snprintf(entry, sizeof entry, "%s0x%08X:0x%04X:%u", text.empty() ? "" : ",",
                      static_cast<unsigned>(id), flags, value);
        text += entry;
    }
    return text;
}
