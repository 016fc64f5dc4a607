#include "tests/status/ReplyDecoderReference.h"

#include <cstring>

// The decoder as it stood before the table-driven one: one field at a time,
// tags by a switch. Kept unchanged as the reference the current one must match.
namespace reference {

namespace {

constexpr unsigned char kHeader[] = {'@', 'B', 'D', 'C', ' ', 'S', 'T', '\r', '\n'};
constexpr std::size_t kHeaderSize = sizeof kHeader;
constexpr std::size_t kMinimumLength = 12;
constexpr int kMaxInk = 6;
constexpr int kMaxWarnings = 10;
constexpr unsigned char kInkCap = 100;

// Hex digit values by byte; 0xFF for bytes that are not hex digits.
struct HexTable {
    unsigned char value[256];
    constexpr HexTable() : value() {
        for (int c = 0; c < 256; ++c)
            value[c] = 0xFF;
        for (int c = '0'; c <= '9'; ++c)
            value[c] = static_cast<unsigned char>(c - '0');
        for (int c = 'A'; c <= 'F'; ++c) {
            value[c] = static_cast<unsigned char>(c - 'A' + 10);
            value[c + ('a' - 'A')] = static_cast<unsigned char>(c - 'A' + 10);
        }
    }
};
constexpr HexTable kHex;

bool HexPair(const unsigned char* p, unsigned char* byte) {
    const unsigned high = kHex.value[p[0]];
    const unsigned low = kHex.value[p[1]];
    if ((high | low) > 0x0F)
        return false;
    *byte = static_cast<unsigned char>(high * 16 + low);
    return true;
}

// Two tag letters as one number, either case; bit 5 is what tells the cases
// of a letter apart, and no other byte shares a value with a letter this way.
constexpr unsigned TagCode(unsigned char a, unsigned char b) {
    return (static_cast<unsigned>(a | 0x20) << 8) | static_cast<unsigned>(b | 0x20);
}

enum class Tag { None, ST, ER, IQ, WR, RV, TC };

Tag TagAt(const unsigned char* reply, std::size_t length, std::size_t pos) {
    if (length - pos < 3 || reply[pos + 2] != ':')
        return Tag::None;
    switch (TagCode(reply[pos], reply[pos + 1])) {
    case TagCode('S', 'T'):
        return Tag::ST;
    case TagCode('E', 'R'):
        return Tag::ER;
    case TagCode('I', 'Q'):
        return Tag::IQ;
    case TagCode('W', 'R'):
        return Tag::WR;
    case TagCode('R', 'V'):
        return Tag::RV;
    case TagCode('T', 'C'):
        return Tag::TC;
    default:
        return Tag::None;
    }
}

// Each field decoder starts at the tag and, on success, leaves pos after the ';'.
bool ByteField(const unsigned char* reply, std::size_t length, std::size_t& pos,
               std::uint8_t* out) {
    if (length - pos < 6 || reply[pos + 5] != ';')
        return false;
    unsigned char byte;
    if (!HexPair(reply + pos + 3, &byte))
        return false;
    *out = byte;
    pos += 6;
    return true;
}

bool InkField(const unsigned char* reply, std::size_t length, std::size_t& pos,
              PrinterStatus* status) {
    pos += 3;
    int n = 0;
    for (;;) {
        if (n == kMaxInk)
            return false;
        if (length - pos < 2) {
            status->inkCount = 0;
            return false;
        }
        const unsigned char* entry = reply + pos;
        unsigned char level;
        if (HexPair(entry, &level)) {
            if (level > kInkCap)
                level = kInkCap;
        } else if (TagCode(entry[0], entry[1]) == TagCode('N', 'A')) {
            level = InkLevelUnknown;
        } else {
            status->inkCount = 0;
            return false;
        }
        status->inkLevel[n++] = level;
        pos += 2;
        if (pos >= length)
            return false;
        if (reply[pos] == ';') {
            ++pos;
            break;
        }
    }
    status->inkCount = static_cast<std::uint8_t>(n);
    return true;
}

bool WarningField(const unsigned char* reply, std::size_t length, std::size_t& pos,
                  PrinterStatus* status) {
    pos += 3;
    int n = 0;
    for (;;) {
        if (n == kMaxWarnings)
            return false;
        if (length - pos < 2 || !HexPair(reply + pos, &status->warning[n]))
            return false;
        ++n;
        pos += 2;
        if (pos >= length)
            return false;
        if (reply[pos] == ',') {
            ++pos;
            if (pos >= length)
                return false;
        }
        if (reply[pos] == ';') {
            ++pos;
            break;
        }
    }
    status->warningCount = static_cast<std::uint8_t>(n);
    return true;
}

bool RevisionField(const unsigned char* reply, std::size_t length, std::size_t& pos,
                   PrinterStatus* status) {
    if (length - pos < 5 || reply[pos + 4] != ';')
        return false;
    const unsigned char pair[2] = {'0', reply[pos + 3]};
    if (!HexPair(pair, &status->revision))
        return false;
    pos += 5;
    return true;
}

bool CounterField(const unsigned char* reply, std::size_t length, std::size_t& pos,
                  PrinterStatus* status) {
    if (length - pos < 8 || reply[pos + 7] != ';')
        return false;
    unsigned char high, low;
    if (!HexPair(reply + pos + 3, &high) || !HexPair(reply + pos + 5, &low))
        return false;
    status->tcValue = static_cast<std::uint16_t>(high * 256 + low);
    pos += 8;
    return true;
}

} // namespace

int ParseStatusReply(const unsigned char* reply, std::size_t length, PrinterStatus* status) {
    if (!status)
        return -1;
    std::memset(status, 0, sizeof *status);
    status->state = 0xFF;
    status->error = 0xFF;
    status->tcValue = 0xFFFF;

    if (!reply || length < kMinimumLength || std::memcmp(reply, kHeader, kHeaderSize) != 0)
        return -1;

    std::size_t pos = kHeaderSize;
    int stateFields = 0;
    bool inkSeen = false;
    for (;;) {
        bool ok = true;
        switch (TagAt(reply, length, pos)) {
        case Tag::ST:
            ok = ByteField(reply, length, pos, &status->state);
            stateFields += ok ? 1 : 0;
            break;
        case Tag::ER:
            ok = ByteField(reply, length, pos, &status->error);
            break;
        case Tag::IQ:
            inkSeen = true;
            ok = InkField(reply, length, pos, status);
            break;
        case Tag::WR:
            ok = WarningField(reply, length, pos, status);
            break;
        case Tag::RV:
            ok = RevisionField(reply, length, pos, status);
            break;
        case Tag::TC:
            ok = CounterField(reply, length, pos, status);
            break;
        case Tag::None:
            ++pos; // unknown bytes are skipped one at a time
            break;
        }
        if (!ok || pos >= length)
            return -1;
        if (reply[pos] == 0xFF || reply[pos] == 0x0C)
            break;
    }
    if (!inkSeen)
        status->inkCount = 0;
    return stateFields > 0 ? 0 : -1;
}

} // namespace reference
