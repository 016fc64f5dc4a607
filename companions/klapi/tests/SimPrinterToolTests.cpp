#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "companions/klapi/simprinter/TextCodec.h"
#include "tests/common/SimTestSupport.h"

using simtest::RunProgram;
using simtest::SimulatedPrinter;

namespace {

std::string AsText(const std::vector<BYTE>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

TEST(TextCodec, EscapesDecodeToExactBytesAndEveryByteRoundTrips) {
    std::string bytes, error;
    ASSERT_TRUE(DecodeEscapes("@BDC ST\\r\\nST:04;\\f\\x0c\\xFF\\x7\\0\\\\\\\"", &bytes, &error));
    EXPECT_EQ(bytes, std::string("@BDC ST\r\nST:04;\f\x0C\xFF\x07\0\\\"", 22));

    std::string all;
    for (int c = 0; c < 256; ++c)
        all.push_back(static_cast<char>(c));
    ASSERT_TRUE(DecodeEscapes(EncodeEscapes(all), &bytes, &error)) << error;
    EXPECT_EQ(bytes, all);

    for (const char* bad : {"tail\\", "\\q", "\\x", "\\xg1"})
        EXPECT_FALSE(DecodeEscapes(bad, &bytes, &error)) << bad;
}

TEST(TextCodec, NumbersAndChannelListsAreCheckedAgainstTheirRanges) {
    long long v = 0;
    EXPECT_TRUE(ParseNumber("0x10010003", 0, 0xFFFFFFFFLL, &v));
    EXPECT_EQ(v, 0x10010003);
    EXPECT_TRUE(ParseNumber("-16", -100, 100, &v));
    EXPECT_EQ(v, -16);
    for (const char* bad : {"", "-", "0x", "0x-5", "12a", " 1", "65536", "99999999999999999999"})
        EXPECT_FALSE(ParseNumber(bad, 0, 65535, &v)) << bad;

    std::vector<std::uint8_t> packed;
    std::string error;
    ASSERT_TRUE(ParseChannelList("4:0x4:1,0x10010003:0x8004:65535", &packed, &error));
    const std::uint8_t expected[] = {4, 0, 0, 0, 4, 0, 1, 0, 3, 0, 1, 0x10, 4, 0x80, 0xFF, 0xFF};
    EXPECT_EQ(packed, std::vector<std::uint8_t>(expected, expected + sizeof expected));
    EXPECT_EQ(FormatChannelList(packed), "0x00000004:0x0004:1,0x10010003:0x8004:65535");
    ASSERT_TRUE(ParseChannelList("", &packed, &error));
    EXPECT_TRUE(packed.empty());
    for (const char* bad : {"4:4", "4:4:1,", "4:65536:0", "x:4:0", "4:4:1:2"})
        EXPECT_FALSE(ParseChannelList(bad, &packed, &error)) << bad;
}

TEST(SimPrinterTool, ScriptsAPrinterThatTheStoreReadsBack) {
    SimulatedPrinter cleanup("PqifTest_Tool");
    cleanup->Remove();
    ASSERT_EQ(RunProgram("simprinter.exe add PqifTest_Tool --model \"Vorne Test 9\"").exitCode, 0u);
    EXPECT_EQ(cleanup->DeviceId(), simstore::DefaultDeviceId("Vorne Test 9"));

    EXPECT_EQ(
        RunProgram("simprinter.exe set PqifTest_Tool reply \"@BDC ST\\r\\nST:04;\\xFF\"").exitCode,
        0u);
    EXPECT_EQ(AsText(cleanup->Bytes(simstore::ReplyValue)), "@BDC ST\r\nST:04;\xFF");
    EXPECT_EQ(RunProgram("simprinter.exe set PqifTest_Tool raw a\\x00b").exitCode, 0u);
    EXPECT_EQ(AsText(cleanup->Bytes(simstore::RawDataValue)), std::string("a\0b", 3));
    EXPECT_EQ(RunProgram("simprinter.exe set PqifTest_Tool channels 0x02000001:4:9").exitCode, 0u);
    EXPECT_EQ(AsText(cleanup->Bytes(simstore::ChannelsValue)),
              std::string("\x01\x00\x00\x02\x04\x00\x09\x00", 8));

    EXPECT_EQ(RunProgram("simprinter.exe fail PqifTest_Tool KLGetStatus -16").exitCode, 0u);
    LONG code = 0;
    EXPECT_TRUE(cleanup->ScriptedResult("KLGetStatus", &code));
    EXPECT_EQ(code, -16);
    EXPECT_EQ(RunProgram("simprinter.exe inuse PqifTest_Tool on").exitCode, 0u);
    EXPECT_TRUE(cleanup->InUse());

    simtest::ProgramRun shown = RunProgram("simprinter.exe show pqiftest_tool");
    EXPECT_EQ(shown.exitCode, 0u);
    EXPECT_NE(shown.out.find("Reply     \"@BDC ST\\r\\nST:04;\\xFF\""), std::string::npos)
        << shown.out;
    EXPECT_NE(shown.out.find("Fail      KLGetStatus -16"), std::string::npos) << shown.out;

    EXPECT_EQ(RunProgram("simprinter.exe unfail PqifTest_Tool KLGetStatus").exitCode, 0u);
    EXPECT_FALSE(cleanup->ScriptedResult("KLGetStatus", &code));
    EXPECT_EQ(RunProgram("simprinter.exe inuse PqifTest_Tool off").exitCode, 0u);
    EXPECT_FALSE(cleanup->InUse());
    EXPECT_EQ(RunProgram("simprinter.exe remove PqifTest_Tool").exitCode, 0u);
    EXPECT_FALSE(cleanup->Exists());
}

TEST(SimPrinterTool, InitResultAndCallCounters) {
    simtest::InitResultGuard restore(0);
    EXPECT_EQ(RunProgram("simprinter.exe init-result -5").exitCode, 0u);
    EXPECT_EQ(simstore::InitResult(), -5);
    simstore::CountCall("KLInitialize");
    EXPECT_NE(RunProgram("simprinter.exe calls").out.find("KLInitialize"), std::string::npos);
    EXPECT_EQ(RunProgram("simprinter.exe calls reset").exitCode, 0u);
    EXPECT_EQ(simstore::CallCount("KLInitialize"), 0u);
}

TEST(SimPrinterTool, BadArgumentsGiveUsageAndExitCode2MissingPrintersExitCode1) {
    SimulatedPrinter printer("PqifTest_ToolArgs");
    const char* usage[] = {
        "simprinter.exe",
        "simprinter.exe frobnicate PqifTest_ToolArgs",
        "simprinter.exe add",
        "simprinter.exe set PqifTest_ToolArgs reply",
        "simprinter.exe set PqifTest_ToolArgs colour red",
        "simprinter.exe set PqifTest_ToolArgs reply bad\\q",
        "simprinter.exe set PqifTest_ToolArgs deviceid MDL:\\x00",
        "simprinter.exe set PqifTest_ToolArgs channels 4:4",
        "simprinter.exe fail PqifTest_ToolArgs KLFrobnicate -1",
        "simprinter.exe fail PqifTest_ToolArgs KLGetStatus minus",
        "simprinter.exe inuse PqifTest_ToolArgs maybe",
        "simprinter.exe lie PqifTest_ToolArgs KLOpenChannel 4",
        "simprinter.exe init-result",
        "simprinter.exe calls now",
    };
    for (const char* line : usage) {
        simtest::ProgramRun run = RunProgram(line);
        EXPECT_EQ(run.exitCode, 2u) << line;
        EXPECT_NE(run.err.find("usage:"), std::string::npos) << line;
        EXPECT_TRUE(run.out.empty()) << line;
    }
    simtest::ProgramRun missing = RunProgram("simprinter.exe set PqifTest_NoSuch reply x");
    EXPECT_EQ(missing.exitCode, 1u);
    EXPECT_NE(missing.err.find("PqifTest_NoSuch"), std::string::npos);
    EXPECT_FALSE(simstore::SimPrinter("PqifTest_NoSuch").Exists()) << "a write created it";
    // The failed commands changed nothing.
    EXPECT_TRUE(printer->Bytes(simstore::ReplyValue).empty());
    EXPECT_FALSE(printer->InUse());
}

} // namespace
