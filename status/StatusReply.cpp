#include "status/StatusReply.h"

#include <cstring>

#include "support/HexPairs.h"

namespace {

constexpr unsigned char kHeader[] = {'@', 'B', 'D', 'C', ' ', 'S', 'T', '\r', '\n'};
constexpr std::size_t kHeaderSize = sizeof kHeader;
constexpr std::size_t kMinimumLength = 12;
constexpr int kMaxInk = 6;
constexpr int kMaxWarnings = 10;
constexpr unsigned char kInkCap = 100;

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
    if (!hexpairs::Pair(reply + pos + 3, &byte))
        return false;
    *out = byte;
    pos += 6;
    return true;
}

// An ink entry: a hex pair, capped at 100, or "NA" (either case) for no level.
// False when it is neither.
bool InkEntry(const unsigned char* p, std::uint8_t* level) {
    const unsigned high = hexpairs::kDigits.value[p[0]];
    const unsigned low = hexpairs::kDigits.value[p[1]];
    if ((high | low) <= 0x0F) {
        const unsigned value = high * 16 + low;
        *level = static_cast<std::uint8_t>(value > kInkCap ? kInkCap : value);
        return true;
    }
    if ((p[0] | 0x20) == 'n' && (p[1] | 0x20) == 'a') {
        *level = InkLevelUnknown;
        return true;
    }
    return false;
}

// One to six entries, then ';'; where the next field starts, or nullptr. A bad
// or cut entry clears the count; a seventh entry, or a reply that ends after
// an entry, leaves it as it was. Roomy: the reply has room for six entries and
// the ';', so no bound needs checking on the way (the common case, and the
// checks are a good part of the cost).
template <bool Roomy>
const unsigned char* InkEntries(const unsigned char* p, const unsigned char* end,
                                PrinterStatus* status) {
    for (int n = 0; n < kMaxInk; ++n, p += 2) {
        if ((!Roomy && end - p < 2) || !InkEntry(p, &status->inkLevel[n])) {
            status->inkCount = 0;
            return nullptr;
        }
        if (!Roomy && end - p == 2)
            return nullptr;
        if (p[2] == ';') {
            status->inkCount = static_cast<std::uint8_t>(n + 1);
            return p + 3;
        }
    }
    return nullptr;
}

bool InkField(const unsigned char* reply, std::size_t length, std::size_t& pos,
              PrinterStatus* status) {
    const unsigned char* const entries = reply + pos + 3;
    const unsigned char* const end = reply + length;
    const unsigned char* const next = end - entries >= 2 * kMaxInk + 1
                                          ? InkEntries<true>(entries, end, status)
                                          : InkEntries<false>(entries, end, status);
    if (!next)
        return false;
    pos = static_cast<std::size_t>(next - reply);
    return true;
}

bool WarningField(const unsigned char* reply, std::size_t length, std::size_t& pos,
                  PrinterStatus* status) {
    pos += 3;
    int n = 0;
    for (;;) {
        if (n == kMaxWarnings)
            return false;
        if (length - pos < 2 || !hexpairs::Pair(reply + pos, &status->warning[n]))
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
    if (!hexpairs::Pair(pair, &status->revision))
        return false;
    pos += 5;
    return true;
}

bool CounterField(const unsigned char* reply, std::size_t length, std::size_t& pos,
                  PrinterStatus* status) {
    if (length - pos < 8 || reply[pos + 7] != ';')
        return false;
    unsigned char high, low;
    if (!hexpairs::Pair(reply + pos + 3, &high) || !hexpairs::Pair(reply + pos + 5, &low))
        return false;
    status->tcValue = static_cast<std::uint16_t>(high * 256 + low);
    pos += 8;
    return true;
}

bool IsEmptySlot(std::uint8_t level) {
    return level == 0 || level == InkLevelUnknown;
}

int InkRule(const PrinterStatus& s) {
    if (s.inkCount == 0)
        return 2;
    bool first = IsEmptySlot(s.inkLevel[0]);
    bool other = false;
    // All five other slots count, whatever inkCount says.
    for (int i = 1; i < kMaxInk; ++i)
        other = other || IsEmptySlot(s.inkLevel[i]);
    if (first && other)
        return 2;
    if (first)
        return 3;
    if (other)
        return 4;
    std::uint8_t lowest = kInkCap;
    for (int i = 1; i < kMaxInk; ++i)
        if (s.inkLevel[i] < lowest)
            lowest = s.inkLevel[i];
    if (s.inkLevel[0] == lowest)
        return 2;
    return s.inkLevel[0] < lowest ? 3 : 4;
}

int ErrorNumber(const PrinterStatus& s) {
    switch (s.error) {
    case 0x00:
        return 14;
    case 0x01:
        return 18;
    case 0x02:
        return 32;
    case 0x03:
        return 30;
    case 0x05:
        return InkRule(s);
    case 0x06:
        return 5;
    case 0x09:
        return 34;
    case 0x0E:
        return 28;
    case 0x12:
        return 25;
    case 0x13:
        return 26;
    case 0x14:
        return 27;
    case 0x15:
        return 29;
    case 0x16:
        return 31;
    default:
        return 9;
    }
}

bool IsInkWarning(std::uint8_t code) {
    return code >= 0x11 && code <= 0x15;
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

int StatusNumber(const PrinterStatus& s) {
    if (s.state == 0)
        return ErrorNumber(s);
    switch (s.state) {
    case 0x05:
        return 21;
    case 0x06:
        return 22;
    case 0x08:
        return 19;
    case 0x09:
        return 23;
    case 0x0A:
        return 24;
    default:
        break;
    }
    if (s.warningCount >= 1) {
        std::uint8_t first = s.warning[0];
        if (first == 0x10)
            return s.warningCount >= 2 && IsInkWarning(s.warning[1]) ? 20 : 12;
        if (IsInkWarning(first))
            return 13;
        if (first == 0x20)
            return 33;
    }
    switch (s.state) {
    case 0x02:
    case 0x03:
        return 11;
    case 0x04:
        return 1;
    case 0x07:
        return 10;
    default:
        return 0;
    }
}

std::uint32_t IndicatorMask(const PrinterStatus& s, int statusNumber) {
    std::uint32_t mask = 0;
    bool inkState = statusNumber == 2 || statusNumber == 3 || statusNumber == 4;
    if (inkState) {
        if (s.inkCount == 0)
            return 0x1000;
        for (int i = 0; i < kMaxInk; ++i)
            if (IsEmptySlot(s.inkLevel[i]))
                mask |= 0x40u << i;
    }
    if (inkState || statusNumber == 12 || statusNumber == 13 || statusNumber == 20) {
        int count = s.warningCount < kMaxWarnings ? s.warningCount : kMaxWarnings;
        for (int i = 0; i < count; ++i) {
            int j = s.warning[i] - 0x10;
            if (j >= 0 && j <= 5)
                mask |= 1u << j;
        }
    }
    return mask;
}
