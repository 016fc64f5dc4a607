#include <gtest/gtest.h>

#include "SnmpClient.h"
#include "SnmpTestSupport.h"
#include "companions/snmp/tests/FakeAgent.h"

namespace {

snmp::Agent RealAgent(int version = snmp::kVersion2c) {
    snmp::Agent agent;
    EXPECT_TRUE(snmp::ParseAgentAddress(snmptest::AgentAddress(), agent.host, agent.port));
    agent.version = version;
    agent.timeoutMs = 500;
    agent.retries = 1;
    return agent;
}

class SnmpClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(snmptest::AgentAddress().empty()) << "PQIF_SNMP_AGENT is not set";
        ASSERT_TRUE(snmptest::ReadyPrinter().Write());
    }
    void TearDown() override { snmptest::ReadyPrinter().Write(); }
};

TEST_F(SnmpClientTest, ReadsThePrinterMibFromTheAgentWithV1AndV2c) {
    ASSERT_TRUE(snmptest::ReadyPrinter().Alert(1, 4, 11, 2, 1105).Write());
    for (int version : {snmp::kVersion1, snmp::kVersion2c}) {
        SCOPED_TRACE(version);
        snmp::PrinterMib mib;
        snmp::ClientStats stats;
        ASSERT_EQ(snmp::ReadPrinter(RealAgent(version), mib, &stats), snmp::ClientResult::Ok);
        EXPECT_EQ(mib.description, "Vorne Kestrel K7");
        EXPECT_EQ(mib.deviceStatus, 2);
        EXPECT_EQ(mib.printerStatus, 3);
        ASSERT_EQ(mib.supplies.size(), 7u);
        EXPECT_EQ(mib.supplies[1].colorant, "cyan");
        EXPECT_EQ(mib.supplies[1].level, 280);
        EXPECT_TRUE(mib.supplies[6].IsReceptacle());
        ASSERT_EQ(mib.alerts.size(), 1u);
        EXPECT_EQ(mib.alerts[0].code, 1105);
        EXPECT_EQ(stats.dropped, 0u);
    }
}

TEST_F(SnmpClientTest, AWrongCommunityOrASilentAgentFailsWithinItsTimeoutAndRecovers) {
    snmp::Agent wrong = RealAgent();
    wrong.community = "private";
    snmp::PrinterMib mib;
    ULONGLONG start = ::GetTickCount64();
    EXPECT_EQ(snmp::ReadPrinter(wrong, mib), snmp::ClientResult::NoAnswer);
    // Two attempts of 500 ms, and no more.
    ULONGLONG took = ::GetTickCount64() - start;
    EXPECT_GE(took, 900u);
    EXPECT_LT(took, 3000u);

    ASSERT_TRUE(snmptest::ReadyPrinter().Silent().Write());
    start = ::GetTickCount64();
    EXPECT_EQ(snmp::ReadPrinter(RealAgent(), mib), snmp::ClientResult::NoAnswer);
    EXPECT_LT(::GetTickCount64() - start, 3000u);

    // Back: the answers to the requests it held are stale and dropped.
    ASSERT_TRUE(snmptest::ReadyPrinter().Write());
    EXPECT_TRUE(snmptest::WaitUntil(
        [&] { return snmp::ReadPrinter(RealAgent(), mib) == snmp::ClientResult::Ok; }, 15000));
    EXPECT_EQ(mib.supplies.size(), 7u);
}

TEST_F(SnmpClientTest, NoAgentAtThePortOrNoPrinterInIt) {
    snmp::Agent none = RealAgent();
    none.port = 9; // discard: nothing listens on loopback
    snmp::PrinterMib mib;
    ULONGLONG start = ::GetTickCount64();
    EXPECT_EQ(snmp::ReadPrinter(none, mib), snmp::ClientResult::NoAnswer);
    EXPECT_LT(::GetTickCount64() - start, 3000u);

    ASSERT_TRUE(snmptest::MibData().Line(".1.3.6.1.2.1.43.5.1.1.1.1 integer 1").Write());
    EXPECT_EQ(snmp::ReadPrinter(RealAgent(), mib), snmp::ClientResult::NotAPrinter);
}

// A well-behaved answer to a request, from an agent in memory.
std::string ProperAnswer(snmptest::FakeAgent& fake, const std::string& request,
                         snmp::Message* decoded = nullptr) {
    snmp::Message in;
    if (snmp::Decode(reinterpret_cast<const uint8_t*>(request.data()), request.size(), in) !=
        snmp::DecodeResult::Ok)
        return {};
    std::vector<snmp::Oid> names;
    for (const snmp::VarBind& vb : in.varbinds)
        names.push_back(vb.name);
    snmp::Response r;
    fake.AsExchange()(in.pdu, names, r);
    snmp::Message out = in;
    out.pdu = snmp::kPduResponse;
    out.errorStatus = r.errorStatus;
    out.errorIndex = r.errorIndex;
    out.varbinds = r.varbinds;
    if (decoded)
        *decoded = out;
    return snmp::Encode(out);
}

TEST(SnmpClientScripted, MalformedAndUnrelatedAnswersAreDroppedWithoutHarm) {
    snmptest::FakeAgent fake;
    fake.Printer(2, 3, std::string(2, '\0'));
    fake.SixInks({80, 70, 60, 50, 40, 30});

    struct Case {
        const char* name;
        std::function<std::string(const std::string&)> corrupt;
    } cases[] = {
        {"truncated",
         [&](const std::string& r) {
             std::string a = ProperAnswer(fake, r);
             return a.substr(0, a.size() / 2);
         }},
        {"length past the end",
         [&](const std::string& r) {
             std::string a = ProperAnswer(fake, r);
             a[1] = static_cast<char>(0x7F);
             return a;
         }},
        {"length of 4 GB",
         [&](const std::string& r) {
             std::string a = ProperAnswer(fake, r);
             return std::string("\x30\x84\xFF\xFF\xFF\xF0", 6) + a.substr(2);
         }},
        {"huge varbind count",
         [&](const std::string& r) {
             snmp::Message m;
             ProperAnswer(fake, r, &m);
             snmp::VarBind vb = m.varbinds.empty() ? snmp::VarBind{} : m.varbinds[0];
             m.varbinds.assign(1000, vb);
             return snmp::Encode(m);
         }},
        {"wrong request id",
         [&](const std::string& r) {
             snmp::Message m;
             ProperAnswer(fake, r, &m);
             m.requestId ^= 0x5A5A;
             return snmp::Encode(m);
         }},
        {"other community",
         [&](const std::string& r) {
             snmp::Message m;
             ProperAnswer(fake, r, &m);
             m.community = "other";
             return snmp::Encode(m);
         }},
        {"not a response", [&](const std::string& r) { return r; }},
        {"fewer varbinds than asked",
         [&](const std::string& r) {
             snmp::Message m;
             ProperAnswer(fake, r, &m);
             m.varbinds.resize(m.varbinds.size() / 2);
             return snmp::Encode(m);
         }},
        {"garbage", [](const std::string&) { return std::string(1400, '\xA5'); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        snmptest::ScriptedAgent agent(c.corrupt);
        snmp::Agent target;
        ASSERT_TRUE(snmp::ParseAgentAddress(agent.Address(), target.host, target.port));
        target.timeoutMs = 300;
        target.retries = 2;
        snmp::PrinterMib mib;
        snmp::ClientStats stats;
        ULONGLONG start = ::GetTickCount64();
        EXPECT_EQ(snmp::ReadPrinter(target, mib, &stats), snmp::ClientResult::NoAnswer);
        EXPECT_LT(::GetTickCount64() - start, 3000u);
        EXPECT_EQ(stats.requests, 3u);
        EXPECT_GE(stats.dropped, 3u);
    }
    // The same scripted agent, answering properly, is read.
    snmptest::ScriptedAgent good([&](const std::string& r) { return ProperAnswer(fake, r); });
    snmp::Agent target;
    ASSERT_TRUE(snmp::ParseAgentAddress(good.Address(), target.host, target.port));
    snmp::PrinterMib mib;
    EXPECT_EQ(snmp::ReadPrinter(target, mib), snmp::ClientResult::Ok);
    EXPECT_EQ(mib.supplies.size(), 6u);
}

TEST(SnmpClientScripted, AgentAddresses) {
    std::string host;
    uint16_t port = 0;
    EXPECT_TRUE(snmp::ParseAgentAddress("127.0.0.1", host, port));
    EXPECT_EQ(port, 161);
    EXPECT_TRUE(snmp::ParseAgentAddress("printer.local:16100", host, port));
    EXPECT_EQ(host, "printer.local");
    EXPECT_EQ(port, 16100);
    for (const char* bad :
         {"", ":161", "host:", "host:0", "host:65536", "host:1x", "a b:161", "host:123456"})
        EXPECT_FALSE(snmp::ParseAgentAddress(bad, host, port)) << bad;
}

} // namespace
