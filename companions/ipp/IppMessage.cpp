#include "IppMessage.h"

namespace ipp {

namespace {

void PutU16(std::string& out, std::size_t v) {
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
    out.push_back(static_cast<char>(v & 0xFF));
}

void PutU32(std::string& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

class Reader {
public:
    Reader(const uint8_t* data, std::size_t length) : data_(data), length_(length) {}
    bool Has(std::size_t n) const { return n <= length_ - pos_; }
    uint8_t U8() { return data_[pos_++]; }
    uint16_t U16() {
        uint16_t v = static_cast<uint16_t>((data_[pos_] << 8) | data_[pos_ + 1]);
        pos_ += 2;
        return v;
    }
    uint32_t U32() {
        uint32_t v = (uint32_t(data_[pos_]) << 24) | (uint32_t(data_[pos_ + 1]) << 16) |
                     (uint32_t(data_[pos_ + 2]) << 8) | uint32_t(data_[pos_ + 3]);
        pos_ += 4;
        return v;
    }
    std::string Bytes(std::size_t n) {
        std::string s(reinterpret_cast<const char*>(data_ + pos_), n);
        pos_ += n;
        return s;
    }
    std::string Rest() { return Bytes(length_ - pos_); }
    uint8_t Peek() const { return data_[pos_]; }

private:
    const uint8_t* data_;
    std::size_t length_;
    std::size_t pos_ = 0;
};

} // namespace

int32_t Value::AsInteger(int32_t fallback) const {
    if (bytes.size() != 4 || (tag != kTagInteger && tag != kTagEnum))
        return fallback;
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
    return static_cast<int32_t>((uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) |
                                (uint32_t(b[2]) << 8) | uint32_t(b[3]));
}

const Attribute* FindIn(const Group& group, const std::string& name) {
    for (const Attribute& a : group.attributes) {
        if (a.name == name)
            return &a;
    }
    return nullptr;
}

const Attribute* Message::Find(uint8_t groupTag, const std::string& name) const {
    for (const Group& g : groups) {
        if (g.tag == groupTag)
            return FindIn(g, name);
    }
    return nullptr;
}

std::vector<const Group*> Message::GroupsOf(uint8_t groupTag) const {
    std::vector<const Group*> found;
    for (const Group& g : groups) {
        if (g.tag == groupTag)
            found.push_back(&g);
    }
    return found;
}

Group& Message::AddGroup(uint8_t tag) {
    groups.push_back(Group{tag, {}});
    return groups.back();
}

void AddValue(Attribute& attribute, uint8_t tag, const std::string& value) {
    attribute.values.push_back(Value{tag, value});
}

void AddString(Group& group, uint8_t tag, const std::string& name, const std::string& value) {
    group.attributes.push_back(Attribute{name, {Value{tag, value}}});
}

void AddInteger(Group& group, uint8_t tag, const std::string& name, int32_t value) {
    std::string bytes;
    PutU32(bytes, static_cast<uint32_t>(value));
    group.attributes.push_back(Attribute{name, {Value{tag, bytes}}});
}

Message MakeRequest(uint16_t operation, int32_t requestId, const std::string& printerUri) {
    Message m;
    m.code = operation;
    m.requestId = requestId;
    Group& op = m.AddGroup(kOperationGroup);
    AddString(op, kTagCharset, "attributes-charset", "utf-8");
    AddString(op, kTagNaturalLanguage, "attributes-natural-language", "en");
    AddString(op, kTagUri, "printer-uri", printerUri);
    return m;
}

std::string Encode(const Message& message) {
    std::string out;
    out.push_back(static_cast<char>(message.versionMajor));
    out.push_back(static_cast<char>(message.versionMinor));
    PutU16(out, message.code);
    PutU32(out, static_cast<uint32_t>(message.requestId));
    for (const Group& g : message.groups) {
        out.push_back(static_cast<char>(g.tag));
        for (const Attribute& a : g.attributes) {
            bool first = true;
            for (const Value& v : a.values) {
                // Names and values longer than the 16-bit length field cannot be sent.
                if (a.name.size() > 0xFFFF || v.bytes.size() > 0xFFFF)
                    continue;
                out.push_back(static_cast<char>(v.tag));
                const std::string& name = first ? a.name : std::string();
                PutU16(out, name.size());
                out += name;
                PutU16(out, v.bytes.size());
                out += v.bytes;
                first = false;
            }
        }
    }
    out.push_back(static_cast<char>(kEndOfAttributes));
    out += message.data;
    return out;
}

DecodeResult Decode(const uint8_t* data, std::size_t length, Message& out) {
    out = Message{};
    if (!data)
        return DecodeResult::Truncated;
    Reader r(data, length);
    if (!r.Has(8))
        return DecodeResult::Truncated;
    out.versionMajor = r.U8();
    out.versionMinor = r.U8();
    out.code = r.U16();
    out.requestId = static_cast<int32_t>(r.U32());

    std::size_t attributes = 0;
    std::size_t values = 0;
    Group* group = nullptr;
    Attribute* attribute = nullptr;
    for (;;) {
        if (!r.Has(1))
            return DecodeResult::Truncated;
        uint8_t tag = r.U8();
        if (tag == kEndOfAttributes) {
            out.data = r.Rest();
            return DecodeResult::Ok;
        }
        if (tag < 0x10) {
            // Delimiter: a new attribute group.
            if (tag == 0x00)
                return DecodeResult::Malformed;
            if (out.groups.size() >= kMaxGroups)
                return DecodeResult::TooLarge;
            group = &out.AddGroup(tag);
            attribute = nullptr;
            continue;
        }
        if (!group)
            return DecodeResult::Malformed;
        if (tag == 0x7F) // extended tags are not used by printers we talk to
            return DecodeResult::Malformed;
        if (!r.Has(2))
            return DecodeResult::Truncated;
        uint16_t nameLength = r.U16();
        if (!r.Has(nameLength))
            return DecodeResult::Truncated;
        std::string name = r.Bytes(nameLength);
        if (!r.Has(2))
            return DecodeResult::Truncated;
        uint16_t valueLength = r.U16();
        if (!r.Has(valueLength))
            return DecodeResult::Truncated;
        std::string value = r.Bytes(valueLength);

        if (nameLength > 0) {
            if (++attributes > kMaxAttributes)
                return DecodeResult::TooLarge;
            group->attributes.push_back(Attribute{std::move(name), {}});
            attribute = &group->attributes.back();
        } else if (!attribute) {
            // An additional value with nothing to add it to.
            return DecodeResult::Malformed;
        }
        if (attribute->values.size() >= kMaxValuesPerAttribute || ++values > kMaxValues)
            return DecodeResult::TooLarge;
        if ((tag == kTagInteger || tag == kTagEnum) && value.size() != 4)
            return DecodeResult::Malformed;
        if (tag == kTagBoolean && value.size() != 1)
            return DecodeResult::Malformed;
        attribute->values.push_back(Value{tag, std::move(value)});
    }
}

} // namespace ipp
