#include <gtest/gtest.h>

#include <windows.h>
#include <string>

#include "device/ChanSel.h"
#include "tests/device/SimPrinter.h"
#include "tests/status/TestPrinterKeys.h"
#include "tests/tools/ToolRun.h"

namespace {

// Runs pqif.exe from the test's folder, as a user would from a console.
ToolRun Pqif(const std::string& arguments) {
    return RunTool("pqif.exe " + arguments, 60000);
}

class PqifTool : public ::testing::Test {
protected:
    void SetUp() override {
        sim_.Channels({{ChannelIdRecord, ChannelFlagStatus, 0}, {4, ChannelFlagStatus, 0}});
        sim_.DeviceId("MFG:Vorne;CMD:VRPL;MDL:Vorne Kestrel K7;CLS:PRINTER;");
        sim_.Reply("@BDC ST\r\nST:04;IQ:6432NA00;WR:10,12;\x0C");
        key_ = keys_.Add(SelectByPrinter, "p", "Kestrel_K7");
        EXPECT_TRUE(
            Registry(HKEY_CURRENT_USER, key_.c_str(), true).SetDword("SoundNotifyEnable", 1));
        EXPECT_TRUE(
            Registry(HKEY_CURRENT_USER, (key_ + "\\Notify").c_str(), true).SetDword("009", 1));
    }
    SimPrinter sim_{"Kestrel_K7"};
    TargetKeys keys_;
    std::string key_;
};

TEST_F(PqifTool, StatusInWords) {
    ToolRun r = Pqif("status Kestrel_K7");
    EXPECT_EQ(r.exitCode, 0u) << r.err;
    EXPECT_NE(r.out.find("Model:         Vorne Kestrel K7\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Channel kind:  0x00000004\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Call result:   1 (completed)\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Result code:   9 (ink low)\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Item number:   9\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Printer state: 0x04\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Activity:      1 (idle)\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Notify:        yes\nSound:         yes\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Ink levels:    slot 0 100%, slot 1 50%, slot 2 unknown, slot 3 0%\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("Warnings:      0x10 0x12\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "");
}

TEST_F(PqifTool, StatusAsJson) {
    ToolRun r = Pqif("status Kestrel_K7 --json --model \"Other Model\"");
    EXPECT_EQ(r.exitCode, 0u) << r.err;
    EXPECT_NE(r.out.find("\"model\":\"Other Model\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"resultCode\":9,\"result\":\"ink low\",\"item\":9,\"printerState\":4,"
                         "\"activity\":1,\"notify\":1,\"sound\":1"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("\"ink\":[100,50,null,0],\"warnings\":[16,18]"), std::string::npos)
        << r.out;
}

TEST_F(PqifTool, FailuresAndUsage) {
    sim_.Fail("KLGetStatus", -16);
    ToolRun r = Pqif("status Kestrel_K7");
    EXPECT_EQ(r.exitCode, 1u);
    EXPECT_NE(r.out.find("Result code:   11 (not available)\nItem number:   11\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.err.find("pqif: "), std::string::npos);

    r = Pqif("status Absent_Printer");
    EXPECT_EQ(r.exitCode, 1u);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("pqif: "), std::string::npos);

    r = Pqif("status");
    EXPECT_EQ(r.exitCode, 2u);
    EXPECT_NE(r.err.find("usage: pqif status PRINTER"), std::string::npos);
    EXPECT_EQ(Pqif("status Kestrel_K7 --frobnicate").exitCode, 2u);
    EXPECT_EQ(Pqif("status Kestrel_K7 --port").exitCode, 2u);
    EXPECT_EQ(Pqif("launch").exitCode, 2u);
    r = Pqif("--help");
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_NE(r.out.find("usage: pqif"), std::string::npos);
}

TEST_F(PqifTool, SelectAndRaw) {
    ToolRun r = Pqif("select Kestrel_K7");
    EXPECT_EQ(r.exitCode, 0u) << r.err;
    EXPECT_NE(r.out.find("selected 0x00000004\n"), std::string::npos) << r.out;
    sim_.Raw("ab\x01");
    r = Pqif("raw Kestrel_K7");
    EXPECT_EQ(r.exitCode, 0u) << r.err;
    EXPECT_EQ(r.out, "3 bytes: ab\\x01\n");
    sim_.Channels({{4, 0, 0}});
    r = Pqif("select Kestrel_K7");
    EXPECT_EQ(r.exitCode, 1u);
    EXPECT_NE(r.err.find("no channel of the printer carries status"), std::string::npos);
}

TEST_F(PqifTool, Defaults) {
    ModelSettings ini("Vorne Kestrel K7", "[Vorne Kestrel K7]\nSlipMax=4\nITEMNUM=1\nITEM009=0\n");
    ToolRun r = Pqif("defaults \"" + ini.path() + "\" \"Vorne Kestrel K7\" \"" + key_ + "\"");
    EXPECT_EQ(r.exitCode, 0u) << r.err;
    EXPECT_EQ(r.out, "defaults written; the existing item settings were kept\n");
    EXPECT_EQ(ReadDword(key_, "SlipMax"), 4u);
    r = Pqif("defaults x.ini S \"software\\no such key\"");
    EXPECT_EQ(r.exitCode, 1u);
}

} // namespace
