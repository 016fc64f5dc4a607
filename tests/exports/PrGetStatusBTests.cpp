#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "V_PQIF07.h"
#include "device/ChanSel.h"
#include "device/KLApiBinding.h"
#include "exports/StatusLibraryApp.h"
#include "support/DebugLog.h"
#include "tests/device/SimPrinter.h"
#include "tests/status/TestPrinterKeys.h"

namespace {

const char* const kDebugKey = "software\\VORNE\\KVR7\\Debug";
const char* const kModel = "Vorne Kestrel K7";
const std::string kReady = "@BDC ST\r\nST:04;\x0C";
constexpr LONG kUntouched = -77;

struct Outputs {
    LONG rc = kUntouched;
    LONG result = kUntouched;
    LONG state = kUntouched;
    LONG sound = kUntouched;
    LONG notify = kUntouched;
    LONG activity = kUntouched;
};

class PrGetStatusBTest : public ::testing::Test {
protected:
    void SetUp() override {
        SimPrinter::ResetCalls();
        ASSERT_TRUE(binding_.IsInitialized()) << "the simulated KLAPI.DLL must be beside the test";
        sim_.Channels({{4, ChannelFlagStatus, 0}, {ChannelIdRecord, ChannelFlagStatus, 0}});
        sim_.Reply(kReady);
        key_ = keys_.Add(SelectByPrinter, "p", "Kestrel_K7");
        Registry key(HKEY_CURRENT_USER, key_.c_str(), true);
        EXPECT_TRUE(key.SetDword("SoundNotifyEnable", 1));
        Registry notify(HKEY_CURRENT_USER, (key_ + "\\Notify").c_str(), true);
        EXPECT_TRUE(notify.SetDword("001", 1));
        EXPECT_TRUE(notify.SetDword("011", 1));
        EXPECT_TRUE(notify.SetDword("014", 0));
        ClearOverride();
    }
    void TearDown() override {
        for (int channel : open_) {
            binding_.KLReceiveCancel(channel);
            binding_.KLCloseChannel(channel);
        }
        ClearOverride();
    }

    int Open(int kind) {
        int channel = binding_.KLOpenChannel(1, "Kestrel_K7", kind);
        EXPECT_GT(channel, 0);
        open_.push_back(channel);
        return channel;
    }
    Outputs Query(LONG kind, LONG channel, LONG failureChoice = 0,
                  const char* printer = "Kestrel_K7", const char* port = "") {
        Outputs o;
        o.rc = PrGetStatusB(0, kind, channel, &o.result, &o.state, &o.sound, &o.notify, printer,
                            port, failureChoice, kModel, &o.activity);
        return o;
    }
    static void SetOverride(const std::string& text) {
        Registry debug(HKEY_LOCAL_MACHINE, kDebugKey, true);
        EXPECT_TRUE(debug.SetString("Status", text.c_str()));
    }
    static void ClearOverride() {
        Registry product(HKEY_LOCAL_MACHINE, "software\\VORNE\\KVR7", false, KEY_ALL_ACCESS);
        product.DeleteKey("Debug");
        PruneEmptyKeys(HKEY_LOCAL_MACHINE, "software\\VORNE\\KVR7");
    }
    DWORD ComStatus() const { return ReadDword(key_, "ComStatus"); }

    KLApiBinding binding_;
    SimPrinter sim_{"Kestrel_K7"};
    TargetKeys keys_;
    std::string key_;
    std::vector<int> open_;
};

TEST_F(PrGetStatusBTest, GoodReplyFromTheDevice) {
    const std::string reply = "@BDC ST\r\nST:00;ER:05;IQ:0032NA1E2864;\xFF";
    sim_.Reply(reply);
    Outputs o = Query(4, Open(4));
    EXPECT_EQ(o.rc, 1);
    EXPECT_EQ(o.result, PQIF_RESULT_INK_OUT);
    EXPECT_EQ(o.state, 0);
    EXPECT_EQ(o.activity, 1);
    EXPECT_EQ(o.notify, 0); // item 12 has no setting here, nor in a settings file
    EXPECT_EQ(o.sound, 0);
    std::vector<BYTE> stored = ReadBinary(key_, "Status");
    EXPECT_EQ(std::string(stored.begin(), stored.end()), reply);
    EXPECT_EQ(ComStatus(), 1u);
}

TEST_F(PrGetStatusBTest, OverstatedReplySizeIsNotBelieved) {
    sim_.Lie("KLGetStatus", 4000);
    Outputs o = Query(4, Open(4));
    EXPECT_EQ(o.rc, 1);
    EXPECT_EQ(o.result, PQIF_RESULT_READY);
    std::vector<BYTE> stored = ReadBinary(key_, "Status");
    EXPECT_EQ(std::string(stored.begin(), stored.end()), kReady);

    const std::string record = "hbm\x01\x01\x07\xFF\x00";
    sim_.Reply(record);
    o = Query(ChannelIdRecord, Open(ChannelIdRecord));
    EXPECT_EQ(o.rc, 1);
    stored = ReadBinary(key_, "Status");
    EXPECT_EQ(std::string(stored.begin(), stored.end()), record);
}

TEST_F(PrGetStatusBTest, StateThreeIsActivityTwo) {
    sim_.Reply("@BDC ST\r\nST:03;\x0C");
    Outputs o = Query(ChannelIdPreferred, Open(4));
    EXPECT_EQ(o.rc, 1);
    EXPECT_EQ(o.state, 3);
    EXPECT_EQ(o.activity, 2);
    EXPECT_EQ(o.result, PQIF_RESULT_PRINTING);
}

TEST_F(PrGetStatusBTest, LibraryNotReadyWritesNothing) {
    SimPrinter::InitResult(-1);
    Outputs o = Query(4, 5);
    EXPECT_EQ(o.rc, 1);
    EXPECT_EQ(o.result, kUntouched);
    EXPECT_EQ(o.state, kUntouched);
    EXPECT_EQ(o.sound, kUntouched);
    EXPECT_EQ(o.notify, kUntouched);
    EXPECT_EQ(o.activity, kUntouched);
    EXPECT_EQ(SimPrinter::Calls("KLGetStatus"), 0u);
}

TEST_F(PrGetStatusBTest, NothingToReportAndChannelInUse) {
    const int channel = Open(4);
    sim_.Fail("KLGetStatus", 0);
    Outputs o = Query(4, channel);
    EXPECT_EQ(o.rc, 0);
    EXPECT_EQ(o.result, kUntouched);
    EXPECT_EQ(o.state, 0);
    EXPECT_EQ(o.sound, 0);
    EXPECT_EQ(o.notify, 0);
    EXPECT_EQ(o.activity, 0);
    sim_.Unfail("KLGetStatus");
    sim_.InUse(true);
    o = Query(4, channel);
    EXPECT_EQ(o.rc, -1);
    EXPECT_EQ(o.result, kUntouched);
    EXPECT_EQ(o.notify, 0);
    EXPECT_EQ(ComStatus(), 0xDEADu); // no communication state either way
}

TEST_F(PrGetStatusBTest, LibraryErrorTakesTheFailureStep) {
    const int channel = Open(4);
    sim_.Fail("KLGetStatus", -16);
    Outputs o = Query(4, channel, 0);
    EXPECT_EQ(o.rc, 1); // not -1
    EXPECT_EQ(o.result, PQIF_RESULT_NOT_AVAILABLE);
    EXPECT_EQ(o.notify, 1); // item 11
    EXPECT_EQ(o.sound, 1);
    EXPECT_EQ(o.state, 0);
    EXPECT_EQ(o.activity, 0);
    EXPECT_EQ(ComStatus(), 0u);
    o = Query(4, channel, 1);
    EXPECT_EQ(o.result, PQIF_RESULT_COMM_ERROR);
    EXPECT_EQ(o.notify, 0); // item 14
    EXPECT_EQ(ComStatus(), 4u);
    EXPECT_TRUE(ReadBinary(key_, "Status").empty());
}

// A size probe that answers "too small" without a size is a broken answer, not a
// busy channel: both reply paths take the failure step.
TEST_F(PrGetStatusBTest, TooSmallWithoutASizeTakesTheFailureStepOnBothPaths) {
    sim_.Fail("KLGetStatus", KL_BUFFER_TOO_SMALL);
    Outputs o = Query(4, Open(4), 1);
    EXPECT_EQ(o.rc, 1) << "not -1 (in use)";
    EXPECT_EQ(o.result, PQIF_RESULT_COMM_ERROR);
    EXPECT_EQ(ComStatus(), 4u);
    o = Query(ChannelIdRecord, Open(ChannelIdRecord), 1);
    EXPECT_EQ(o.rc, 1);
    EXPECT_EQ(o.result, PQIF_RESULT_COMM_ERROR);
}

TEST_F(PrGetStatusBTest, RejectedRepliesTakeTheFailureStep) {
    const int channel = Open(4);
    const std::string rejected[] = {
        "@BDC ST\r\nST:04;",     // no terminator
        "@BDC ST\r\nER:00;\x0C", // no state
        "@bdc st\r\nST:04;\x0C", // header case
        std::string("\0\0\0\0\0\0\0\0\0\0\0\0", 12),
    };
    for (const std::string& reply : rejected) {
        sim_.Reply(reply);
        Outputs o = Query(4, channel, 1);
        EXPECT_EQ(o.rc, 1);
        EXPECT_EQ(o.result, PQIF_RESULT_COMM_ERROR);
        EXPECT_EQ(o.state, 0);
        EXPECT_EQ(ComStatus(), 4u);
        EXPECT_TRUE(ReadBinary(key_, "Status").empty());
    }
}

TEST_F(PrGetStatusBTest, RegistryOverrideWithoutChannel) {
    Outputs o = Query(4, 0, 0); // no Debug key
    EXPECT_EQ(o.rc, 1);
    EXPECT_EQ(o.result, PQIF_RESULT_NOT_AVAILABLE);
    EXPECT_EQ(ComStatus(), 0u);
    SetOverride("");
    o = Query(4, 0, 1);
    EXPECT_EQ(o.result, PQIF_RESULT_COMM_ERROR);
    EXPECT_EQ(ComStatus(), 4u);

    SetOverride("@BDC ST\r\nST:04;\x0C");
    o = Query(ChannelIdAlternate, 0);
    EXPECT_EQ(o.rc, 1);
    EXPECT_EQ(o.state, 4);
    EXPECT_EQ(o.activity, 1);
    EXPECT_EQ(o.result, PQIF_RESULT_READY);
    EXPECT_EQ(o.notify, 1); // item 1
    EXPECT_EQ(o.sound, 1);
    EXPECT_EQ(ComStatus(), 1u);
    std::vector<BYTE> stored = ReadBinary(key_, "Status");
    EXPECT_EQ(std::string(stored.begin(), stored.end()), "@BDC ST\r\nST:04;\x0C");
    EXPECT_EQ(SimPrinter::Calls("KLGetStatus"), 0u);
}

TEST_F(PrGetStatusBTest, OverrideTooLongOrUnterminatedFails) {
    SetOverride("@BDC ST\r\nST:04;" + std::string(260, 'x') + "\x0C");
    Outputs o = Query(4, 0);
    EXPECT_EQ(o.rc, 1);
    EXPECT_EQ(o.result, PQIF_RESULT_NOT_AVAILABLE);
    EXPECT_EQ(o.state, 0);
    SetOverride("@BDC ST\r\nST:04;");
    o = Query(4, 0, 1);
    EXPECT_EQ(o.result, PQIF_RESULT_COMM_ERROR);
    EXPECT_EQ(o.state, 0);
    EXPECT_EQ(o.activity, 0);
    EXPECT_TRUE(ReadBinary(key_, "Status").empty());
}

TEST_F(PrGetStatusBTest, OtherKindTouchesNoDevice) {
    Outputs o = Query(7, Open(4), 1);
    EXPECT_EQ(o.rc, 1);
    EXPECT_EQ(o.result, PQIF_RESULT_NOT_AVAILABLE); // whatever the failure choice
    EXPECT_EQ(o.notify, 1);                         // item 11
    EXPECT_EQ(o.state, 0);
    EXPECT_EQ(SimPrinter::Calls("KLGetStatus"), 0u);
    EXPECT_EQ(ComStatus(), 0xDEADu);
}

TEST_F(PrGetStatusBTest, RecordChannelStoresTheReplyOnly) {
    const std::string record = "HBM\x01\x02\xAA\xBB\xFF\x00";
    sim_.Reply(record);
    Outputs o = Query(ChannelIdRecord, Open(ChannelIdRecord), 1);
    EXPECT_EQ(o.rc, 1);
    EXPECT_EQ(o.result, PQIF_RESULT_COMM_ERROR);
    EXPECT_EQ(o.state, PQIF_RESULT_COMM_ERROR);
    EXPECT_EQ(o.activity, 0);
    EXPECT_EQ(ComStatus(), 4u);
    std::vector<BYTE> stored = ReadBinary(key_, "Status");
    EXPECT_EQ(std::string(stored.begin(), stored.end()), record);
}

TEST_F(PrGetStatusBTest, UnknownPrinterGetsNothingStored) {
    Outputs o = Query(4, Open(4), 0, "Absent Printer");
    EXPECT_EQ(o.rc, 1);
    EXPECT_EQ(o.result, kUntouched);
    EXPECT_EQ(o.state, 0);
    EXPECT_EQ(o.sound, 0);
    EXPECT_EQ(o.notify, 0);
    EXPECT_EQ(o.activity, 0);
    EXPECT_TRUE(ReadBinary(key_, "Status").empty());
    EXPECT_EQ(ComStatus(), 0xDEADu);
}

TEST_F(PrGetStatusBTest, PortNameWhenThePrinterNameIsEmpty) {
    std::string portKey = keys_.Add(SelectByPort, "q", "USB001");
    Outputs o = Query(4, Open(4), 0, "", "USB001");
    EXPECT_EQ(o.rc, 1);
    EXPECT_EQ(o.result, PQIF_RESULT_READY);
    EXPECT_EQ(ReadDword(portKey, "ComStatus"), 1u);
    EXPECT_EQ(ComStatus(), 0xDEADu);
}

TEST_F(PrGetStatusBTest, TraceLines) {
    const int saved = DebugLogEnabled;
    DebugLogEnabled = 1;
    ::DeleteFileA(DebugLogPath);
    Outputs o = Query(4, Open(4));
    DebugLogEnabled = saved;
    std::ifstream in(DebugLogPath, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    ::DeleteFileA(DebugLogPath);
    ASSERT_EQ(o.rc, 1);
    const std::string log = text.str();
    const std::string size = std::to_string(kReady.size());
    EXPECT_EQ(log.rfind("---\nPrGetStatusB\n Status length (KLAPI) : " + size +
                            "\n (KLGetStatu() : -4)\n Printer status (KLAPI) : " + kReady +
                            "\n (KLGetStatus() : ",
                        0),
              0u)
        << log;
    EXPECT_NE(log.find(")\n Status Num : 1,  Item Num : 1\n"), std::string::npos) << log;
}

} // namespace
