#include <gtest/gtest.h>

#include "IppMessage.h"

namespace {

ipp::Message DecodeOk(const std::string& bytes) {
    ipp::Message m;
    EXPECT_EQ(ipp::Decode(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), m),
              ipp::DecodeResult::Ok);
    return m;
}

ipp::DecodeResult DecodeResultOf(const std::string& bytes) {
    ipp::Message m;
    return ipp::Decode(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), m);
}

TEST(IppMessage, RequestEncodesInWireOrder) {
    ipp::Message m = ipp::MakeRequest(ipp::kOpGetPrinterAttributes, 7, "ipp://h:631/ipp/print");
    ipp::Attribute requested{"requested-attributes", {}};
    ipp::AddValue(requested, ipp::kTagKeyword, "printer-state");
    ipp::AddValue(requested, ipp::kTagKeyword, "marker-levels");
    m.groups[0].attributes.push_back(requested);
    std::string bytes = ipp::Encode(m);

    ASSERT_GE(bytes.size(), 9u);
    EXPECT_EQ(bytes.substr(0, 8), std::string("\x02\x00\x00\x0B\x00\x00\x00\x07", 8));
    EXPECT_EQ(static_cast<uint8_t>(bytes[8]), ipp::kOperationGroup);
    // The first attribute: charset tag, name length 18, name, value length 5, value.
    EXPECT_EQ(bytes.substr(9, 3), std::string("\x47\x00\x12", 3));
    EXPECT_EQ(bytes.substr(12, 18), "attributes-charset");
    // An additional value is sent with an empty name.
    EXPECT_NE(bytes.find(std::string("\x44\x00\x00\x00\x0Dmarker-levels", 18)), std::string::npos);
    EXPECT_EQ(static_cast<uint8_t>(bytes.back()), ipp::kEndOfAttributes);

    ipp::Message back = DecodeOk(bytes);
    EXPECT_EQ(back.code, ipp::kOpGetPrinterAttributes);
    EXPECT_EQ(back.requestId, 7);
    const ipp::Attribute* a = back.Find(ipp::kOperationGroup, "requested-attributes");
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(a->values.size(), 2u);
    EXPECT_EQ(a->values[1].bytes, "marker-levels");
}

TEST(IppMessage, IntegersAndGroupsOfAResponse) {
    ipp::Message m;
    m.code = ipp::kStatusOk;
    ipp::Group& printer = m.AddGroup(ipp::kPrinterGroup);
    ipp::AddInteger(printer, ipp::kTagEnum, "printer-state", 5);
    ipp::Attribute levels{"marker-levels", {}};
    for (int v : {80, -1, 3})
        ipp::AddValue(levels, ipp::kTagInteger,
                      std::string{char((uint32_t(v) >> 24) & 0xFF),
                                  char((uint32_t(v) >> 16) & 0xFF), char((uint32_t(v) >> 8) & 0xFF),
                                  char(uint32_t(v) & 0xFF)});
    printer.attributes.push_back(levels);
    m.AddGroup(ipp::kJobGroup);
    m.AddGroup(ipp::kJobGroup);
    m.data = "trailing document";

    ipp::Message back = DecodeOk(ipp::Encode(m));
    EXPECT_EQ(back.Find(ipp::kPrinterGroup, "printer-state")->values[0].AsInteger(), 5);
    const ipp::Attribute* l = back.Find(ipp::kPrinterGroup, "marker-levels");
    ASSERT_NE(l, nullptr);
    ASSERT_EQ(l->values.size(), 3u);
    EXPECT_EQ(l->values[1].AsInteger(), -1);
    EXPECT_EQ(l->values[2].AsInteger(), 3);
    EXPECT_EQ(back.GroupsOf(ipp::kJobGroup).size(), 2u);
    EXPECT_EQ(back.data, "trailing document");
    EXPECT_EQ(back.Find(ipp::kJobGroup, "printer-state"), nullptr);
}

TEST(IppMessage, MalformedAndTruncatedInputIsRefused) {
    const std::string head("\x02\x00\x00\x00\x00\x00\x00\x01", 8);
    EXPECT_EQ(DecodeResultOf(""), ipp::DecodeResult::Truncated);
    EXPECT_EQ(DecodeResultOf(head.substr(0, 5)), ipp::DecodeResult::Truncated);
    // No end-of-attributes tag.
    EXPECT_EQ(DecodeResultOf(head + "\x04"), ipp::DecodeResult::Truncated);
    // A value before any group.
    EXPECT_EQ(DecodeResultOf(head + std::string("\x21\x00\x01x\x00\x04\x00\x00\x00\x01\x03", 11)),
              ipp::DecodeResult::Malformed);
    // A name length beyond the end.
    EXPECT_EQ(DecodeResultOf(head + std::string("\x04\x21\xFF\xFFxx", 6)),
              ipp::DecodeResult::Truncated);
    // A value length beyond the end.
    EXPECT_EQ(DecodeResultOf(head + std::string("\x04\x21\x00\x01x\x7F\xFF\x00", 8)),
              ipp::DecodeResult::Truncated);
    // An integer of the wrong size.
    EXPECT_EQ(DecodeResultOf(head + std::string("\x04\x21\x00\x01x\x00\x02\x00\x01\x03", 10)),
              ipp::DecodeResult::Malformed);
    // An additional value with no attribute before it.
    EXPECT_EQ(DecodeResultOf(head + std::string("\x04\x44\x00\x00\x00\x01k\x03", 8)),
              ipp::DecodeResult::Malformed);
}

TEST(IppMessage, HugeValueCountsAreRefusedNotBuffered) {
    std::string bytes("\x02\x00\x00\x00\x00\x00\x00\x01\x04", 9);
    bytes += std::string("\x44\x00\x01k\x00\x01v", 7);
    for (std::size_t i = 0; i < ipp::kMaxValuesPerAttribute; ++i)
        bytes += std::string("\x44\x00\x00\x00\x01v", 6);
    bytes += "\x03";
    EXPECT_EQ(DecodeResultOf(bytes), ipp::DecodeResult::TooLarge);
}

TEST(IppMessage, GroupAndValueCountsAreBounded) {
    const std::string head("\x02\x00\x00\x00\x00\x00\x00\x01", 8);
    // A group per byte.
    EXPECT_EQ(DecodeResultOf(head + std::string(100000, '\x04') + "\x03"),
              ipp::DecodeResult::TooLarge);
    // Many attributes, each just under the per-attribute limit.
    std::string values = head + "\x04";
    for (int a = 0; a < 100; ++a) {
        std::string name = "a" + std::to_string(a);
        values +=
            std::string("\x44\x00", 2) + char(name.size()) + name + std::string("\x00\x00", 2);
        for (std::size_t v = 1; v < ipp::kMaxValuesPerAttribute; ++v)
            values += std::string("\x44\x00\x00\x00\x00", 5);
    }
    EXPECT_EQ(DecodeResultOf(values + "\x03"), ipp::DecodeResult::TooLarge);
}

TEST(IppMessage, ValueAsIntegerOnlyForIntegerTags) {
    ipp::Value text{ipp::kTagKeyword, std::string("\x00\x00\x00\x05", 4)};
    EXPECT_EQ(text.AsInteger(-9), -9);
    ipp::Value shortInt{ipp::kTagInteger, "ab"};
    EXPECT_EQ(shortInt.AsInteger(-9), -9);
}

} // namespace
