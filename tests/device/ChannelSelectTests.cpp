#include <gtest/gtest.h>

#include <string>

#include "device/ChanSel.h"
#include "device/ChannelSelect.h"
#include "device/KLApiBinding.h"
#include "tests/device/SimPrinter.h"

namespace {

constexpr std::uint16_t S = ChannelFlagStatus;
const char* const kDeviceId = "MFG:Vorne;CMD:VRPL;MDL:Vorne Kestrel K7;CLS:PRINTER;";

class ChannelSelectTest : public ::testing::Test {
protected:
    void SetUp() override {
        SimPrinter::ResetCalls();
        ASSERT_TRUE(binding_.IsInitialized()) << "the simulated KLAPI.DLL must be beside the test";
        channel_.m_PrinterName = "Kestrel_K7";
        channel_.m_PortName = "USB001";
        channel_.m_pBinding = &binding_;
        channel_.m_hWindow = reinterpret_cast<HWND>(0x1234);
    }
    void TearDown() override {
        if (channel_.m_hStat) {
            binding_.KLReceiveCancel(channel_.m_hStat);
            binding_.KLCloseChannel(channel_.m_hStat);
        }
    }

    SimPrinter printer_{"Kestrel_K7"};
    SimPrinter port_{"USB001"};
    KLApiBinding binding_;
    MonitorChannel channel_;
};

TEST_F(ChannelSelectTest, OpensAndRegistersTheStatusChannel) {
    printer_.Channels({{ChannelIdRecord, 0x8004, 7}, {4, 0, 1}, {ChannelIdPreferred, S, 9}});
    EXPECT_EQ(ChannelSelect(channel_), 1);
    EXPECT_EQ(channel_.m_StatChannel, ChannelIdPreferred);
    EXPECT_EQ(channel_.m_StatValue, 9);
    EXPECT_GT(channel_.m_hStat, 0);
    EXPECT_EQ(channel_.m_FirstEntryFlags, 0x8004); // from entry 0, not the chosen one
    EXPECT_EQ(SimPrinter::Calls("KLOpenChannel"), 1u);
    EXPECT_EQ(SimPrinter::Calls("KLSetOption"), 1u);
}

TEST_F(ChannelSelectTest, EmptyPrinterNameUsesThePort) {
    channel_.m_PrinterName.clear();
    port_.Channels({{4, S, 3}});
    EXPECT_EQ(ChannelSelect(channel_), 1);
    EXPECT_EQ(channel_.m_StatChannel, 4);
    channel_.m_PortName.clear();
    MonitorChannel nothing;
    nothing.m_pBinding = &binding_;
    EXPECT_EQ(ChannelSelect(nothing), -1);
}

TEST_F(ChannelSelectTest, NoQualifyingChannelOrFailedOpen) {
    printer_.Channels({{ChannelIdRecord, 0, 1}});
    EXPECT_EQ(ChannelSelect(channel_), 0);
    EXPECT_EQ(channel_.m_hStat, 0);
    EXPECT_EQ(SimPrinter::Calls("KLOpenChannel"), 0u);

    printer_.Channels({{ChannelIdRecord, S, 1}});
    printer_.Fail("KLOpenChannel", 0);
    EXPECT_EQ(ChannelSelect(channel_), 0);
    EXPECT_EQ(channel_.m_StatChannel, 0); // cleared so the next attempt selects again
    EXPECT_EQ(channel_.m_hStat, 0);
    EXPECT_EQ(SimPrinter::Calls("KLSetOption"), 0u);
}

TEST_F(ChannelSelectTest, ListingResults) {
    struct Case {
        int listing;
        int selector;
        int select;
    };
    const Case cases[] = {{-3, 1, 0}, {-16, 1, 0}, {0, -1, -1}, {-5, -1, -1}, {3, -1, -1}};
    printer_.Channels({{4, S, 1}});
    for (const Case& c : cases) {
        printer_.Fail("KLGetAvailableChannel", c.listing);
        ChanSel selector("Kestrel_K7", 1, ChannelIdPreferred);
        EXPECT_EQ(selector.GetResult(), c.selector) << c.listing;
        EXPECT_EQ(ChannelSelect(channel_), c.select) << c.listing;
    }
    printer_.Unfail("KLGetAvailableChannel");
    ChanSel ready("Kestrel_K7", 1, ChannelIdPreferred);
    EXPECT_EQ(ready.GetResult(), 0);
    EXPECT_EQ(ready.Count(), 1);
    ChanSel unnamed("", 1, ChannelIdPreferred);
    EXPECT_EQ(unnamed.GetResult(), -1);
}

TEST_F(ChannelSelectTest, LibraryNotReady) {
    printer_.Channels({{4, S, 1}});
    SimPrinter::InitResult(-2);
    ChanSel selector("Kestrel_K7", 1, ChannelIdPreferred);
    EXPECT_EQ(selector.GetResult(), -1);
    EXPECT_EQ(ChannelSelect(channel_), -1);
    SimPrinter::InitResult(0);
    channel_.m_pBinding = nullptr;
    EXPECT_EQ(ChannelSelect(channel_), -1);
    EXPECT_EQ(channel_.m_StatChannel, 0);
}

TEST_F(ChannelSelectTest, ModelFromTheDeviceId) {
    printer_.DeviceId(kDeviceId);
    EXPECT_EQ(GetModelID(channel_, "Kestrel_K7", "USB001"), "Vorne Kestrel K7");
    port_.DeviceId("MFG:Vorne;MDL:Port Model;");
    EXPECT_EQ(GetModelID(channel_, "", "USB001"), "Port Model");
    EXPECT_EQ(GetModelID(channel_, nullptr, "USB001"), "Port Model");
    printer_.DeviceId("MFG:Vorne;MDL:Vorne Kestrel K7");
    EXPECT_EQ(GetModelID(channel_, "Kestrel_K7", ""), "");
    printer_.DeviceId("MFG:Vorne;CLS:PRINTER;");
    EXPECT_EQ(GetModelID(channel_, "Kestrel_K7", ""), "");
    printer_.DeviceId(kDeviceId);
    printer_.Fail("KLGetDeviceID", -16);
    EXPECT_EQ(GetModelID(channel_, "Kestrel_K7", ""), "");
    MonitorChannel unbound;
    EXPECT_EQ(GetModelID(unbound, "Kestrel_K7", ""), "");
}

} // namespace
