#include <gtest/gtest.h>

#include "FakeAgent.h"
#include "PrinterMib.h"

namespace {

using snmptest::FakeAgent;

void FillPrinter(FakeAgent& agent) {
    agent.Printer(snmp::kDeviceWarning, snmp::kPrinterIdle, std::string("\x08\x20", 2));
    agent.SixInks({80, 70, -3, 50, 40, 30});
    agent.Supply(7, 0, snmp::kClassReceptacle, snmp::kTypeWasteInk, "Waste Ink Box", 1000, 50);
    agent.Alert(1, 3, 6, 1, 3);
    agent.Alert(2, 4, snmp::kAlertGroupSupplies, 2, 1105);
    // Something after the printer's tables, as a real agent has.
    agent.SetInteger({1, 3, 6, 1, 2, 1, 43, 19, 1}, 1);
}

TEST(PrinterMib, ReadsEveryTableWithV1AndV2c) {
    for (int version : {snmp::kVersion1, snmp::kVersion2c}) {
        SCOPED_TRACE(version);
        FakeAgent agent(version);
        FillPrinter(agent);
        snmp::PrinterMib mib;
        ASSERT_EQ(snmp::ReadPrinterMib(agent.AsExchange(), mib), snmp::ReadResult::Ok);
        EXPECT_EQ(mib.deviceIndex, 1u);
        EXPECT_EQ(mib.deviceStatus, snmp::kDeviceWarning);
        EXPECT_EQ(mib.printerStatus, snmp::kPrinterIdle);
        EXPECT_EQ(mib.description, "Vorne Kestrel K7");
        EXPECT_TRUE(mib.Has(snmp::ErrorBit::DoorOpen));
        EXPECT_TRUE(mib.Has(snmp::ErrorBit::MarkerSupplyMissing));
        EXPECT_FALSE(mib.Has(snmp::ErrorBit::Jammed));
        ASSERT_EQ(mib.supplies.size(), 7u);
        EXPECT_EQ(mib.supplies[1].colorant, "cyan");
        EXPECT_EQ(mib.supplies[1].level, 140);
        EXPECT_EQ(mib.supplies[1].maxCapacity, 200);
        EXPECT_EQ(mib.supplies[2].level, -3);
        EXPECT_TRUE(mib.supplies[6].IsReceptacle());
        EXPECT_FALSE(mib.supplies[6].IsColorant());
        EXPECT_EQ(mib.supplies[6].colorant, "");
        ASSERT_EQ(mib.alerts.size(), 2u);
        EXPECT_EQ(mib.alerts[1].code, 1105);
        EXPECT_EQ(mib.alerts[1].group, snmp::kAlertGroupSupplies);
        EXPECT_EQ(mib.alerts[1].groupIndex, 2);
        // One request per row per table (columns side by side), not per cell.
        EXPECT_LT(agent.requests, 25);
    }
}

TEST(PrinterMib, AnAgentWithoutAPrinterOrAnswers) {
    FakeAgent empty;
    empty.SetText({1, 3, 6, 1, 2, 1, 1, 1, 0}, "a router");
    snmp::PrinterMib mib;
    EXPECT_EQ(snmp::ReadPrinterMib(empty.AsExchange(), mib), snmp::ReadResult::NotAPrinter);

    FakeAgent printer;
    FillPrinter(printer);
    // The agent goes silent in the middle of the supplies table.
    int left = 4;
    snmp::Exchange inner = printer.AsExchange();
    snmp::Exchange dying = [&](uint8_t pdu, const std::vector<snmp::Oid>& names,
                               snmp::Response& out) {
        return left-- > 0 && inner(pdu, names, out);
    };
    EXPECT_EQ(snmp::ReadPrinterMib(dying, mib), snmp::ReadResult::NoAnswer);
}

TEST(PrinterMib, TablesAreBoundedAndWalksAlwaysMoveOn) {
    FakeAgent agent;
    agent.Printer(snmp::kDeviceRunning, snmp::kPrinterIdle, std::string(1, '\0'));
    for (uint32_t i = 1; i <= 500; ++i)
        agent.Supply(i, 0, snmp::kClassConsumed, snmp::kTypeToner, "toner", 100, 50);
    snmp::PrinterMib mib;
    ASSERT_EQ(snmp::ReadPrinterMib(agent.AsExchange(), mib), snmp::ReadResult::Ok);
    EXPECT_EQ(mib.supplies.size(), snmp::kMaxRows);
    EXPECT_LT(agent.requests, 60);

    // An agent that answers every GetNext with the name it was asked for
    // (a loop), or with a name that goes back.
    for (int back : {0, 1}) {
        int calls = 0;
        snmp::Exchange looping = [&](uint8_t, const std::vector<snmp::Oid>& names,
                                     snmp::Response& out) {
            ++calls;
            out = snmp::Response{};
            for (const snmp::Oid& n : names) {
                snmp::VarBind vb;
                vb.name = n;
                if (back && vb.name.size() > 1)
                    vb.name.back() = 0;
                vb.value.tag = snmp::kTagInteger;
                vb.value.integer = 3;
                out.varbinds.push_back(vb);
            }
            return true;
        };
        snmp::ReadPrinterMib(looping, mib);
        EXPECT_LT(calls, 10) << back;
    }
}

TEST(PrinterMib, AStateThatChangesDuringTheWalkIsReadAgain) {
    FakeAgent agent;
    FillPrinter(agent);
    snmp::Exchange inner = agent.AsExchange();
    int calls = 0;
    // The door is closed and the device running again after the first request:
    // the first read saw the door open, its re-check does not.
    snmp::Exchange changing = [&](uint8_t pdu, const std::vector<snmp::Oid>& names,
                                  snmp::Response& out) {
        if (++calls == 2)
            agent.Printer(snmp::kDeviceRunning, snmp::kPrinterIdle, std::string(2, '\0'));
        return inner(pdu, names, out);
    };
    snmp::PrinterMib mib;
    ASSERT_EQ(snmp::ReadPrinterMib(changing, mib), snmp::ReadResult::Ok);
    EXPECT_FALSE(mib.Has(snmp::ErrorBit::DoorOpen));
    EXPECT_EQ(mib.deviceStatus, snmp::kDeviceRunning);
    EXPECT_EQ(mib.supplies.size(), 7u);
}

TEST(PrinterMib, ErrorBitsCountFromTheFirstByte) {
    EXPECT_EQ(snmp::ErrorBitsFromString(""), 0u);
    EXPECT_EQ(snmp::ErrorBitsFromString("\x80"), 1u); // lowPaper
    snmp::PrinterMib mib;
    mib.errorBits = snmp::ErrorBitsFromString(std::string("\x00\x02", 2));
    EXPECT_TRUE(mib.Has(snmp::ErrorBit::OverdueMaintenance));
    mib.errorBits = snmp::ErrorBitsFromString("\x02");
    EXPECT_TRUE(mib.Has(snmp::ErrorBit::Offline));
}

} // namespace
