#include "SnmpMessage.h"

#include <algorithm>
#include <limits>

namespace snmp {

namespace {

// --- encoding ---

void PutLength(std::string& out, std::size_t length) {
    if (length < 0x80) {
        out.push_back(static_cast<char>(length));
        return;
    }
    char bytes[4];
    int n = 0;
    for (std::size_t l = length; l != 0 && n < 4; l >>= 8)
        bytes[n++] = static_cast<char>(l & 0xFF);
    out.push_back(static_cast<char>(0x80 | n));
    while (n > 0)
        out.push_back(bytes[--n]);
}

void PutTlv(std::string& out, uint8_t tag, const std::string& content) {
    out.push_back(static_cast<char>(tag));
    PutLength(out, content.size());
    out += content;
}

std::string IntegerContent(int64_t value) {
    // Minimal two's complement: drop leading bytes that only repeat the sign.
    std::string bytes;
    for (int shift = 56; shift >= 0; shift -= 8)
        bytes.push_back(static_cast<char>((value >> shift) & 0xFF));
    std::size_t start = 0;
    while (start + 1 < bytes.size()) {
        auto b = static_cast<uint8_t>(bytes[start]);
        auto next = static_cast<uint8_t>(bytes[start + 1]);
        if ((b == 0x00 && !(next & 0x80)) || (b == 0xFF && (next & 0x80)))
            ++start;
        else
            break;
    }
    return bytes.substr(start);
}

void PutSubId(std::string& out, uint32_t value) {
    char bytes[5];
    int n = 0;
    do {
        bytes[n++] = static_cast<char>(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    while (n > 0) {
        --n;
        out.push_back(static_cast<char>(bytes[n] | (n > 0 ? 0x80 : 0)));
    }
}

std::string OidContent(const Oid& oid) {
    std::string out;
    if (oid.size() < 2) {
        PutSubId(out, oid.empty() ? 0 : oid[0] * 40);
        return out;
    }
    PutSubId(out, oid[0] * 40 + oid[1]);
    for (std::size_t i = 2; i < oid.size(); ++i)
        PutSubId(out, oid[i]);
    return out;
}

std::string ValueTlv(const Value& v) {
    std::string out;
    switch (v.tag) {
    case kTagInteger:
    case kTagCounter32:
    case kTagGauge32:
    case kTagTimeTicks:
    case kTagCounter64:
        PutTlv(out, v.tag, IntegerContent(v.integer));
        break;
    case kTagObjectId:
        PutTlv(out, v.tag, OidContent(v.oid));
        break;
    case kTagOctetString:
    case kTagIpAddress:
    case kTagOpaque:
        PutTlv(out, v.tag, v.bytes);
        break;
    default: // NULL and the v2c exceptions carry nothing
        PutTlv(out, v.tag, "");
        break;
    }
    return out;
}

// --- decoding ---

class Reader {
public:
    Reader(const uint8_t* data, std::size_t size) : p_(data), end_(data + size) {}

    bool AtEnd() const { return p_ == end_; }

    // One tag and length; the content is the next `length` bytes, all present.
    DecodeResult Header(uint8_t& tag, std::size_t& length) {
        if (end_ - p_ < 2)
            return DecodeResult::Truncated;
        tag = *p_++;
        uint8_t first = *p_++;
        if (first < 0x80) {
            length = first;
        } else {
            int n = first & 0x7F;
            if (n == 0) // indefinite lengths are not allowed in SNMP
                return DecodeResult::Malformed;
            if (n > 4)
                return DecodeResult::TooLarge;
            if (end_ - p_ < n)
                return DecodeResult::Truncated;
            length = 0;
            for (int i = 0; i < n; ++i)
                length = (length << 8) | *p_++;
        }
        if (length > kMaxMessage)
            return DecodeResult::TooLarge;
        if (static_cast<std::size_t>(end_ - p_) < length)
            return DecodeResult::Truncated;
        return DecodeResult::Ok;
    }

    // The content of the next element, which must have the given tag.
    DecodeResult Expect(uint8_t wanted, Reader& content) {
        uint8_t tag = 0;
        std::size_t length = 0;
        DecodeResult rc = Header(tag, length);
        if (rc != DecodeResult::Ok)
            return rc;
        if (tag != wanted)
            return DecodeResult::Malformed;
        content = Reader(p_, length);
        p_ += length;
        return DecodeResult::Ok;
    }

    DecodeResult Any(uint8_t& tag, Reader& content) {
        std::size_t length = 0;
        DecodeResult rc = Header(tag, length);
        if (rc != DecodeResult::Ok)
            return rc;
        content = Reader(p_, length);
        p_ += length;
        return DecodeResult::Ok;
    }

    std::size_t Size() const { return static_cast<std::size_t>(end_ - p_); }
    const uint8_t* Data() const { return p_; }

private:
    const uint8_t* p_;
    const uint8_t* end_;
};

// A signed INTEGER (at most 8 bytes) or an unsigned application integer (at
// most 8 bytes of value, plus one leading zero byte).
bool ReadInteger(const Reader& r, bool isSigned, int64_t& out) {
    std::size_t n = r.Size();
    const uint8_t* p = r.Data();
    if (n == 0)
        return false;
    if (!isSigned && n == 9 && p[0] == 0) {
        ++p;
        --n;
    }
    if (n > 8)
        return false;
    uint64_t value = (isSigned && (p[0] & 0x80)) ? ~uint64_t{0} : 0;
    for (std::size_t i = 0; i < n; ++i)
        value = (value << 8) | p[i];
    if (!isSigned && value > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))
        value &= static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
    out = static_cast<int64_t>(value);
    return true;
}

bool ReadOid(const Reader& r, Oid& out) {
    out.clear();
    const uint8_t* p = r.Data();
    std::size_t n = r.Size();
    if (n == 0)
        return false;
    uint64_t value = 0;
    int bytes = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (bytes == 0 && p[i] == 0x80) // a sub-identifier with a leading zero group
            return false;
        value = (value << 7) | (p[i] & 0x7F);
        if (++bytes > 5 || value > 0xFFFFFFFFu)
            return false;
        if (p[i] & 0x80)
            continue;
        if (out.empty()) {
            uint32_t first = value < 40 ? 0 : value < 80 ? 1 : 2;
            out.push_back(first);
            out.push_back(static_cast<uint32_t>(value - first * 40));
        } else {
            if (out.size() >= kMaxOidLength)
                return false;
            out.push_back(static_cast<uint32_t>(value));
        }
        value = 0;
        bytes = 0;
    }
    return bytes == 0; // the last byte may not ask for more
}

DecodeResult ReadValue(Reader& r, Value& v) {
    Reader content(nullptr, 0);
    DecodeResult rc = r.Any(v.tag, content);
    if (rc != DecodeResult::Ok)
        return rc;
    switch (v.tag) {
    case kTagInteger:
        return ReadInteger(content, true, v.integer) ? DecodeResult::Ok : DecodeResult::Malformed;
    case kTagCounter32:
    case kTagGauge32:
    case kTagTimeTicks:
    case kTagCounter64:
        return ReadInteger(content, false, v.integer) ? DecodeResult::Ok : DecodeResult::Malformed;
    case kTagObjectId:
        return ReadOid(content, v.oid) ? DecodeResult::Ok : DecodeResult::Malformed;
    case kTagOctetString:
    case kTagIpAddress:
    case kTagOpaque:
        v.bytes.assign(reinterpret_cast<const char*>(content.Data()), content.Size());
        return DecodeResult::Ok;
    case kTagNull:
    case kTagNoSuchObject:
    case kTagNoSuchInstance:
    case kTagEndOfMibView:
        return content.AtEnd() ? DecodeResult::Ok : DecodeResult::Malformed;
    default:
        return DecodeResult::Malformed;
    }
}

DecodeResult ReadSmallInt(Reader& r, int64_t low, int64_t high, int64_t& out) {
    Reader content(nullptr, 0);
    DecodeResult rc = r.Expect(kTagInteger, content);
    if (rc != DecodeResult::Ok)
        return rc;
    if (!ReadInteger(content, true, out) || out < low || out > high)
        return DecodeResult::Malformed;
    return DecodeResult::Ok;
}

#define SNMP_TRY(expr)                                                                             \
    do {                                                                                           \
        DecodeResult rc_ = (expr);                                                                 \
        if (rc_ != DecodeResult::Ok)                                                               \
            return rc_;                                                                            \
    } while (0)

} // namespace

bool Value::IsInteger() const {
    return tag == kTagInteger || tag == kTagCounter32 || tag == kTagGauge32 ||
           tag == kTagTimeTicks || tag == kTagCounter64;
}

std::string Encode(const Message& m) {
    std::string list;
    for (const VarBind& vb : m.varbinds) {
        std::string pair;
        PutTlv(pair, kTagObjectId, OidContent(vb.name));
        pair += ValueTlv(vb.value);
        PutTlv(list, kTagSequence, pair);
    }
    std::string pdu;
    PutTlv(pdu, kTagInteger, IntegerContent(m.requestId));
    PutTlv(pdu, kTagInteger, IntegerContent(m.errorStatus));
    PutTlv(pdu, kTagInteger, IntegerContent(m.errorIndex));
    PutTlv(pdu, kTagSequence, list);
    std::string body;
    PutTlv(body, kTagInteger, IntegerContent(m.version));
    PutTlv(body, kTagOctetString, m.community);
    PutTlv(body, m.pdu, pdu);
    std::string out;
    PutTlv(out, kTagSequence, body);
    return out;
}

DecodeResult Decode(const uint8_t* data, std::size_t size, Message& out) {
    out = Message{};
    if (!data || size == 0)
        return DecodeResult::Truncated;
    if (size > kMaxMessage)
        return DecodeResult::TooLarge;
    Reader whole(data, size);
    Reader body(nullptr, 0);
    SNMP_TRY(whole.Expect(kTagSequence, body));
    if (!whole.AtEnd())
        return DecodeResult::Malformed;
    int64_t number = 0;
    SNMP_TRY(ReadSmallInt(body, kVersion1, kVersion2c, number));
    out.version = static_cast<int>(number);
    Reader community(nullptr, 0);
    SNMP_TRY(body.Expect(kTagOctetString, community));
    out.community.assign(reinterpret_cast<const char*>(community.Data()), community.Size());
    Reader pdu(nullptr, 0);
    SNMP_TRY(body.Any(out.pdu, pdu));
    if (out.pdu < kPduGet || out.pdu > 0xA8 || !body.AtEnd())
        return DecodeResult::Malformed;
    SNMP_TRY(ReadSmallInt(pdu, std::numeric_limits<int32_t>::min(),
                          std::numeric_limits<int32_t>::max(), number));
    out.requestId = static_cast<int32_t>(number);
    SNMP_TRY(ReadSmallInt(pdu, 0, 0x7FFFFFFF, number));
    out.errorStatus = static_cast<int>(number);
    SNMP_TRY(ReadSmallInt(pdu, 0, 0x7FFFFFFF, number));
    out.errorIndex = static_cast<int>(number);
    Reader list(nullptr, 0);
    SNMP_TRY(pdu.Expect(kTagSequence, list));
    if (!pdu.AtEnd())
        return DecodeResult::Malformed;
    while (!list.AtEnd()) {
        if (out.varbinds.size() >= kMaxVarBinds)
            return DecodeResult::TooLarge;
        Reader pair(nullptr, 0);
        SNMP_TRY(list.Expect(kTagSequence, pair));
        Reader name(nullptr, 0);
        SNMP_TRY(pair.Expect(kTagObjectId, name));
        VarBind vb;
        if (!ReadOid(name, vb.name))
            return DecodeResult::Malformed;
        SNMP_TRY(ReadValue(pair, vb.value));
        if (!pair.AtEnd())
            return DecodeResult::Malformed;
        out.varbinds.push_back(std::move(vb));
    }
    return DecodeResult::Ok;
}

const char* DecodeResultText(DecodeResult result) {
    switch (result) {
    case DecodeResult::Ok:
        return "ok";
    case DecodeResult::Truncated:
        return "truncated";
    case DecodeResult::Malformed:
        return "malformed";
    case DecodeResult::TooLarge:
        return "too large";
    }
    return "?";
}

bool ParseOid(const std::string& text, Oid& out) {
    out.clear();
    std::size_t i = text.size() > 0 && text[0] == '.' ? 1 : 0;
    if (i >= text.size())
        return false;
    while (i <= text.size()) {
        uint64_t value = 0;
        std::size_t digits = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            value = value * 10 + static_cast<uint64_t>(text[i] - '0');
            if (value > 0xFFFFFFFFu)
                return false;
            ++i;
            ++digits;
        }
        if (digits == 0 || out.size() >= kMaxOidLength)
            return false;
        out.push_back(static_cast<uint32_t>(value));
        if (i == text.size())
            return out.size() >= 2;
        if (text[i] != '.')
            return false;
        ++i;
    }
    return false;
}

std::string OidText(const Oid& oid) {
    std::string out;
    for (std::size_t i = 0; i < oid.size(); ++i) {
        if (i)
            out.push_back('.');
        out += std::to_string(oid[i]);
    }
    return out;
}

bool StartsWith(const Oid& oid, const Oid& prefix) {
    return oid.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), oid.begin());
}

Oid Append(Oid oid, std::initializer_list<uint32_t> more) {
    oid.insert(oid.end(), more.begin(), more.end());
    return oid;
}

} // namespace snmp
