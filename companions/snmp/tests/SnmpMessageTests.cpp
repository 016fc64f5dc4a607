#include <gtest/gtest.h>

#include "SnmpMessage.h"

namespace {

std::string Bytes(std::initializer_list<int> list) {
    std::string s;
    for (int b : list)
        s.push_back(static_cast<char>(b));
    return s;
}

snmp::DecodeResult DecodeText(const std::string& bytes, snmp::Message& out) {
    return snmp::Decode(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), out);
}

// A v2c get of sysDescr.0 as agents and managers put it on the wire.
const std::string kGetSysDescr =
    Bytes({0x30, 0x29, 0x02, 0x01, 0x01, 0x04, 0x06, 'p',  'u',  'b',  'l',  'i',  'c',  0xA0, 0x1C,
           0x02, 0x04, 0x12, 0x34, 0x56, 0x78, 0x02, 0x01, 0x00, 0x02, 0x01, 0x00, 0x30, 0x0E, 0x30,
           0x0C, 0x06, 0x08, 0x2B, 0x06, 0x01, 0x02, 0x01, 0x01, 0x01, 0x00, 0x05, 0x00});

TEST(SnmpMessage, EncodesAndDecodesTheWireForm) {
    snmp::Message m;
    m.version = snmp::kVersion2c;
    m.community = "public";
    m.pdu = snmp::kPduGet;
    m.requestId = 0x12345678;
    snmp::VarBind vb;
    ASSERT_TRUE(snmp::ParseOid("1.3.6.1.2.1.1.1.0", vb.name));
    m.varbinds.push_back(vb);
    EXPECT_EQ(snmp::Encode(m), kGetSysDescr);

    snmp::Message back;
    ASSERT_EQ(DecodeText(kGetSysDescr, back), snmp::DecodeResult::Ok);
    EXPECT_EQ(back.requestId, 0x12345678);
    EXPECT_EQ(back.community, "public");
    ASSERT_EQ(back.varbinds.size(), 1u);
    EXPECT_EQ(snmp::OidText(back.varbinds[0].name), "1.3.6.1.2.1.1.1.0");
    EXPECT_EQ(back.varbinds[0].value.tag, snmp::kTagNull);
}

TEST(SnmpMessage, ValuesRoundTrip) {
    snmp::Message m;
    m.version = snmp::kVersion1;
    m.pdu = snmp::kPduResponse;
    m.requestId = -5;
    m.errorStatus = 2;
    m.errorIndex = 1;
    auto add = [&](uint8_t tag, int64_t integer, std::string bytes = {}, snmp::Oid oid = {}) {
        snmp::VarBind vb;
        vb.name = {1, 3, 6, 1, 4, 1, 99999, static_cast<uint32_t>(m.varbinds.size())};
        vb.value.tag = tag;
        vb.value.integer = integer;
        vb.value.bytes = std::move(bytes);
        vb.value.oid = std::move(oid);
        m.varbinds.push_back(vb);
    };
    add(snmp::kTagInteger, -3);
    add(snmp::kTagInteger, -129);
    add(snmp::kTagInteger, 128);
    add(snmp::kTagInteger, 2147483647);
    add(snmp::kTagInteger, -2147483647 - 1);
    add(snmp::kTagGauge32, 4294967295LL);
    add(snmp::kTagCounter32, 0);
    add(snmp::kTagOctetString, 0, std::string("\x80\x00 bits", 7));
    add(snmp::kTagObjectId, 0, {}, {2, 999, 4294967295u, 0});
    add(snmp::kTagEndOfMibView, 0);
    std::string wire = snmp::Encode(m);
    snmp::Message back;
    ASSERT_EQ(DecodeText(wire, back), snmp::DecodeResult::Ok);
    EXPECT_EQ(back.version, snmp::kVersion1);
    EXPECT_EQ(back.requestId, -5);
    EXPECT_EQ(back.errorStatus, 2);
    ASSERT_EQ(back.varbinds.size(), m.varbinds.size());
    for (std::size_t i = 0; i < m.varbinds.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(back.varbinds[i].name, m.varbinds[i].name);
        EXPECT_EQ(back.varbinds[i].value.tag, m.varbinds[i].value.tag);
        EXPECT_EQ(back.varbinds[i].value.integer, m.varbinds[i].value.integer);
        EXPECT_EQ(back.varbinds[i].value.bytes, m.varbinds[i].value.bytes);
        EXPECT_EQ(back.varbinds[i].value.oid, m.varbinds[i].value.oid);
    }
    EXPECT_TRUE(back.varbinds.back().value.IsException());
}

TEST(SnmpMessage, HostileBytesAreRejected) {
    snmp::Message out;
    // Every prefix of a good message is truncated, none is accepted.
    for (std::size_t n = 0; n < kGetSysDescr.size(); ++n)
        EXPECT_NE(DecodeText(kGetSysDescr.substr(0, n), out), snmp::DecodeResult::Ok) << n;
    struct Case {
        const char* name;
        std::string bytes;
        snmp::DecodeResult expected;
    } cases[] = {
        {"length past the end", Bytes({0x30, 0x7F, 0x02, 0x01, 0x01}),
         snmp::DecodeResult::Truncated},
        {"length of 4 GB", Bytes({0x30, 0x84, 0xFF, 0xFF, 0xFF, 0xFF, 0x02}),
         snmp::DecodeResult::TooLarge},
        {"length in 8 bytes", Bytes({0x30, 0x88, 0, 0, 0, 0, 0, 0, 0, 5, 0, 0, 0, 0, 0}),
         snmp::DecodeResult::TooLarge},
        {"indefinite length", Bytes({0x30, 0x80, 0x02, 0x01, 0x01, 0x00, 0x00}),
         snmp::DecodeResult::Malformed},
        {"not a sequence", Bytes({0x31, 0x03, 0x02, 0x01, 0x01}), snmp::DecodeResult::Malformed},
        {"version 3", Bytes({0x30, 0x03, 0x02, 0x01, 0x03}), snmp::DecodeResult::Malformed},
        {"integer of 9 bytes", Bytes({0x30, 0x0B, 0x02, 0x09, 0x01, 0, 0, 0, 0, 0, 0, 0, 0}),
         snmp::DecodeResult::Malformed},
        {"trailing bytes", kGetSysDescr + "x", snmp::DecodeResult::Malformed},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecodeText(c.bytes, out), c.expected) << c.name;

    // An OID whose last sub-identifier asks for more bytes, and one above 2^32.
    std::string badOid = kGetSysDescr;
    badOid[40] = static_cast<char>(0x80);
    EXPECT_EQ(DecodeText(badOid, out), snmp::DecodeResult::Malformed);
}

TEST(SnmpMessage, VarBindCountIsBounded) {
    snmp::Message m;
    m.pdu = snmp::kPduResponse;
    for (std::size_t i = 0; i <= snmp::kMaxVarBinds; ++i)
        m.varbinds.push_back(snmp::VarBind{{1, 3, 6, 1, static_cast<uint32_t>(i)}, {}});
    snmp::Message out;
    EXPECT_EQ(DecodeText(snmp::Encode(m), out), snmp::DecodeResult::TooLarge);
    m.varbinds.pop_back();
    EXPECT_EQ(DecodeText(snmp::Encode(m), out), snmp::DecodeResult::Ok);
}

TEST(SnmpMessage, OidText) {
    snmp::Oid oid;
    EXPECT_TRUE(snmp::ParseOid(".1.3.6.1.2.1.43.11.1.1.9.1.2", oid));
    EXPECT_EQ(snmp::OidText(oid), "1.3.6.1.2.1.43.11.1.1.9.1.2");
    EXPECT_TRUE(snmp::StartsWith(oid, {1, 3, 6, 1, 2, 1, 43}));
    EXPECT_FALSE(snmp::StartsWith({1, 3}, oid));
    for (const char* bad : {"", ".", "1", "1..3", "1.3.", "1.-3", "1.3.4294967296", "1.3a"})
        EXPECT_FALSE(snmp::ParseOid(bad, oid)) << bad;
}

} // namespace
