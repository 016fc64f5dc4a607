#include <gtest/gtest.h>

#include <functional>

#include "FakeAgent.h"
#include "SnmpStatusMap.h"
#include "status/StatusReply.h"

namespace {

using snmptest::FakeAgent;

std::string ErrorBits(std::initializer_list<snmp::ErrorBit> bits) {
    std::string s(2, '\0');
    for (snmp::ErrorBit b : bits) {
        int n = static_cast<int>(b);
        s[static_cast<std::size_t>(n / 8)] |= static_cast<char>(0x80 >> (n % 8));
    }
    return s;
}

std::string ReplyOf(FakeAgent& agent) {
    snmp::PrinterMib mib;
    EXPECT_EQ(snmp::ReadPrinterMib(agent.AsExchange(), mib), snmp::ReadResult::Ok);
    return ipp::FormatReply(snmp::MapPrinterMib(mib));
}

int StatusOf(const std::string& reply) {
    PrinterStatus status{};
    if (ParseStatusReply(reinterpret_cast<const unsigned char*>(reply.data()), reply.size(),
                         &status) != 0)
        return -1;
    return StatusNumber(status);
}

// Every row of the table, read from an agent and decoded by the library's own
// parser: the status number the user then sees.
TEST(SnmpStatusMap, EachConditionGivesItsStatus) {
    using snmp::ErrorBit;
    struct Case {
        const char* name;
        std::function<void(FakeAgent&)> set;
        int status;
    } cases[] = {
        {"ready", [](FakeAgent&) {}, 1},
        {"printing", [](FakeAgent& a) { a.Printer(2, snmp::kPrinterPrinting, ErrorBits({})); }, 11},
        {"warming up", [](FakeAgent& a) { a.Printer(2, snmp::kPrinterWarmup, ErrorBits({})); }, 22},
        {"door open", [](FakeAgent& a) { a.Printer(5, 1, ErrorBits({ErrorBit::DoorOpen})); }, 32},
        {"cover open alert", [](FakeAgent& a) { a.Alert(1, 3, 6, 1, 3); }, 32},
        {"interlock open alert", [](FakeAgent& a) { a.Alert(1, 3, 6, 1, 5); }, 32},
        {"jammed", [](FakeAgent& a) { a.Printer(5, 1, ErrorBits({ErrorBit::Jammed})); }, 30},
        {"jam alert", [](FakeAgent& a) { a.Alert(1, 3, 13, 1, 8); }, 30},
        {"no paper", [](FakeAgent& a) { a.Printer(5, 1, ErrorBits({ErrorBit::NoPaper})); }, 5},
        {"input tray empty",
         [](FakeAgent& a) { a.Printer(3, 3, ErrorBits({ErrorBit::InputTrayEmpty})); }, 5},
        {"input tray missing",
         [](FakeAgent& a) { a.Printer(5, 1, ErrorBits({ErrorBit::InputTrayMissing})); }, 5},
        {"no toner (black at 0)",
         [](FakeAgent& a) {
             a.Printer(5, 1, ErrorBits({ErrorBit::NoToner}));
             a.SixInks({0, 70, 60, 50, 40, 30});
         },
         3},
        {"ink empty alert naming magenta",
         [](FakeAgent& a) { a.Alert(1, 3, snmp::kAlertGroupSupplies, 3, 1102); }, 4},
        {"marker supply missing",
         [](FakeAgent& a) { a.Printer(5, 1, ErrorBits({ErrorBit::MarkerSupplyMissing})); }, 27},
        {"fuser alert", [](FakeAgent& a) { a.Alert(1, 3, 10, 1, 1002); }, 14},
        {"service requested",
         [](FakeAgent& a) { a.Printer(5, 1, ErrorBits({ErrorBit::ServiceRequested})); }, 9},
        {"output full", [](FakeAgent& a) { a.Printer(5, 1, ErrorBits({ErrorBit::OutputFull})); },
         9},
        {"offline", [](FakeAgent& a) { a.Printer(5, 1, ErrorBits({ErrorBit::Offline})); }, 21},
        {"asleep", [](FakeAgent& a) { a.Alert(1, 4, 6, 1, 23); }, 21},
        {"powered down", [](FakeAgent& a) { a.Alert(1, 4, 6, 1, 504); }, 21},
        {"device down", [](FakeAgent& a) { a.Printer(5, 1, ErrorBits({})); }, 9},
        {"low toner (cyan at 5 %)",
         [](FakeAgent& a) {
             a.Printer(3, 3, ErrorBits({ErrorBit::LowToner}));
             a.SixInks({80, 5, 60, 50, 40, 30});
         },
         13},
        {"ink almost empty alert naming black",
         [](FakeAgent& a) { a.Alert(1, 4, snmp::kAlertGroupSupplies, 1, 1105); }, 12},
        {"waste ink nearly full (5 of 100 left)",
         [](FakeAgent& a) {
             a.Supply(9, 0, snmp::kClassReceptacle, snmp::kTypeWasteInk, "Waste", 100, 5);
         },
         33},
        {"waste ink full",
         [](FakeAgent& a) {
             a.Supply(9, 0, snmp::kClassReceptacle, snmp::kTypeWasteInk, "Waste", 100, 0);
         },
         33},
        {"waste alert", [](FakeAgent& a) { a.Alert(1, 4, 11, 9, 1108); }, 33},
        {"low paper (no such state)",
         [](FakeAgent& a) { a.Printer(3, 3, ErrorBits({ErrorBit::LowPaper})); }, 1},
        {"overdue maintenance (still prints)",
         [](FakeAgent& a) { a.Printer(3, 3, ErrorBits({ErrorBit::OverdueMaintenance})); }, 1},
    };
    for (const Case& c : cases) {
        FakeAgent agent;
        agent.Printer(snmp::kDeviceRunning, snmp::kPrinterIdle, ErrorBits({}));
        agent.SixInks({80, 70, 60, 50, 40, 30});
        c.set(agent);
        std::string reply = ReplyOf(agent);
        EXPECT_EQ(StatusOf(reply), c.status) << c.name << ": " << reply;
    }
}

// A row naming a reason the IPP table does not know would show nothing.
TEST(SnmpStatusMap, EveryRowNamesAReasonTheIppTableShows) {
    ipp::PrinterSnapshot ready;
    ready.state = 3;
    ready.markers = {{"Black", "", "ink", 80, 15}, {"Cyan", "", "ink", 70, 15}};
    for (const auto& [condition, reason] : snmp::ConditionTable()) {
        ipp::PrinterSnapshot s = ready;
        s.reasons = {reason};
        EXPECT_NE(ipp::FormatReply(ipp::MapSnapshot(s)), ipp::FormatReply(ipp::MapSnapshot(ready)))
            << condition << " -> " << reason;
    }
    EXPECT_GE(snmp::ConditionTable().size(), 30u);
}

TEST(SnmpStatusMap, ADeviceDownIsAnErrorOnlyWithoutAReason) {
    FakeAgent agent;
    agent.Printer(snmp::kDeviceDown, 1, ErrorBits({snmp::ErrorBit::Jammed}));
    snmp::PrinterMib mib;
    ASSERT_EQ(snmp::ReadPrinterMib(agent.AsExchange(), mib), snmp::ReadResult::Ok);
    EXPECT_EQ(snmp::ToSnapshot(mib).reasons, std::vector<std::string>{"media-jam"});
    agent.Printer(snmp::kDeviceDown, 1, ErrorBits({snmp::ErrorBit::LowToner}));
    ASSERT_EQ(snmp::ReadPrinterMib(agent.AsExchange(), mib), snmp::ReadResult::Ok);
    EXPECT_EQ(snmp::ToSnapshot(mib).reasons,
              (std::vector<std::string>{"marker-supply-low", "other"}));
}

TEST(SnmpStatusMap, AgreesWithTheIppTableOnTheSameCondition) {
    FakeAgent agent;
    agent.Printer(snmp::kDeviceDown, 1, ErrorBits({snmp::ErrorBit::DoorOpen}));
    agent.SixInks({80, 70, 60, 50, 40, 30});
    agent.Supply(9, 0, snmp::kClassReceptacle, snmp::kTypeWasteInk, "Waste", 100, 5);
    ipp::PrinterSnapshot same;
    same.state = 3;
    same.reasons = {"door-open", "marker-waste-almost-full"};
    const char* names[] = {"Black", "Cyan", "Magenta", "Yellow", "Light Cyan", "Light Magenta"};
    int levels[] = {80, 70, 60, 50, 40, 30};
    for (int i = 0; i < 6; ++i)
        same.markers.push_back(ipp::Marker{names[i], "", "ink", levels[i], -1});
    EXPECT_EQ(ReplyOf(agent), ipp::FormatReply(ipp::MapSnapshot(same)));
    EXPECT_EQ(ReplyOf(agent), "@BDC ST\r\nST:00;ER:02;IQ:50463C32281E;WR:20;\x0C");
}

TEST(SnmpStatusMap, SuppliesReadAsAPersonWould) {
    FakeAgent agent;
    agent.Printer(snmp::kDeviceRunning, snmp::kPrinterIdle, ErrorBits({}));
    // Unknown, other and "some remaining" levels: NA, never 0 % or out.
    agent.SixInks({80, -3, -2, -1, 40, 30});
    // A full waste box of class 4 with an ink type, and one that is empty: never an ink slot.
    agent.Supply(7, 0, snmp::kClassReceptacle, snmp::kTypeInk, "Waste Ink Pad", 100, 0);
    std::string reply = ReplyOf(agent);
    EXPECT_EQ(reply, "@BDC ST\r\nST:04;IQ:50NANANA281E;WR:20;\x0C");
    EXPECT_EQ(StatusOf(reply), 33);

    // Capacities the printer does not know: a reading up to 100 is a percentage.
    FakeAgent loose;
    loose.Printer(snmp::kDeviceRunning, snmp::kPrinterIdle, ErrorBits({}));
    loose.Colorant(1, "black");
    loose.Supply(1, 1, snmp::kClassConsumed, snmp::kTypeToner, "Toner", -2, 55);
    loose.Colorant(2, "cyan");
    loose.Supply(2, 2, snmp::kClassConsumed, snmp::kTypeToner, "Toner", -1, 5000);
    // Large counts in a large capacity, and a reading above its capacity.
    loose.Colorant(3, "magenta");
    loose.Supply(3, 3, snmp::kClassConsumed, snmp::kTypeToner, "Toner", 2147483647, 1073741823);
    loose.Colorant(4, "yellow");
    loose.Supply(4, 4, snmp::kClassConsumed, snmp::kTypeToner, "Toner", 1000, 5000);
    // Not a colorant (a drum): not shown.
    loose.Supply(5, 0, snmp::kClassConsumed, 9, "OPC Drum", 100, 1);
    EXPECT_EQ(ReplyOf(loose), "@BDC ST\r\nST:04;IQ:37NA3164"
                              "6464;\x0C");
}

} // namespace
