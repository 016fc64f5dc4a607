#include <gtest/gtest.h>

#include <string>

#include "device/ChannelRecoveryCommand.h"
#include "device/PortRoutingRules.h"

namespace {

TEST(PortRouting, RouterValuesNameTheirKindByTheirStart) {
    EXPECT_EQ(RouterValueKind("LPT1:"), RouterPortKind::Lpt);
    EXPECT_EQ(RouterValueKind("lpt"), RouterPortKind::Lpt);
    EXPECT_EQ(RouterValueKind("KlPiP_10.0.0.1"), RouterPortKind::KlpIp);
    EXPECT_EQ(RouterValueKind("ipx"), RouterPortKind::Ipx);
    EXPECT_EQ(RouterValueKind("KLPI"), RouterPortKind::None);
    EXPECT_EQ(RouterValueKind("LP"), RouterPortKind::None);
    EXPECT_EQ(RouterValueKind("SHARE_LPT1"), RouterPortKind::None);
    EXPECT_EQ(RouterValueKind(""), RouterPortKind::None);
    EXPECT_EQ(RouterValueKind(nullptr), RouterPortKind::None);
}

TEST(SetupToolCommand, BuildsTheQuotedCommandLine) {
    EXPECT_EQ(BuildSetupToolCommand("C:\\Program Files\\Vorne\\KLAPI", "Kestrel_K7", 0x000A01C4),
              "\"C:\\Program Files\\Vorne\\KLAPI\\klapiset.exe\" /Act=Ch /AN=\"Kestrel_K7\" "
              "/Ret=WM:000A01C4;000004C8 /KLP=A:On");
    EXPECT_EQ(BuildSetupToolCommand("C:\\K\\", "Vorne Kestrel K7", 0xFFFFFFFF),
              "\"C:\\K\\\\klapiset.exe\" /Act=Ch /AN=\"Vorne Kestrel K7\" "
              "/Ret=WM:FFFFFFFF;000004C8 /KLP=A:On");
}

TEST(SetupToolCommand, RefusesTextThatCouldEscapeItsQuotes) {
    for (const char* driver :
         {"Kestrel\" /Act=Del \"x", "Kes\ttrel", "Kestrel\r\ncalc", "Kestrel\x7f", "Kestrel\\", ""})
        EXPECT_EQ(BuildSetupToolCommand("C:\\K", driver, 1), "") << driver;
    EXPECT_EQ(BuildSetupToolCommand("C:\\K\" & calc & \"", "Kestrel", 1), "");
    EXPECT_EQ(BuildSetupToolCommand("C:\\K\n", "Kestrel", 1), "");
    EXPECT_TRUE(IsSafeCommandText("Vorne Kestrel K7 (\x83\x76)"));
    EXPECT_FALSE(IsSafeCommandText("a\"b"));
}

// Shift-JIS (code page 932) lead bytes.
bool ShiftJisLead(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

TEST(SetupToolCommand, DriverNameEndsWhereItsLastCharacterEnds) {
    const std::string so = "Kestrel \x83\x5C"; // katakana so: second byte 0x5C
    const std::string hyo = "\x95\x5C";        // kanji hyo
    EXPECT_NE(BuildSetupToolCommand("C:\\K", so, 1, SetupResultMessage, ShiftJisLead), "");
    EXPECT_NE(BuildSetupToolCommand("C:\\K", hyo, 1, SetupResultMessage, ShiftJisLead), "");
    EXPECT_EQ(BuildSetupToolCommand("C:\\K", so + "\\", 1, SetupResultMessage, ShiftJisLead), "");
    EXPECT_EQ(BuildSetupToolCommand("C:\\K", "Kestrel \x83", 1, SetupResultMessage, ShiftJisLead),
              "")
        << "half a character";
    EXPECT_EQ(BuildSetupToolCommand("C:\\K", so, 1), "") << "single-byte: a backslash";
}

TEST(SetupToolCommand, ToolFolderMustBeAbsolute) {
    for (const char* folder : {"", ".", "KLAPI", "K\\KLAPI", "\\KLAPI", "C:KLAPI", "\\\\\\x"})
        EXPECT_EQ(BuildSetupToolCommand(folder, "Kestrel_K7", 1), "") << folder;
    for (const char* folder : {"C:\\K", "d:\\", "\\\\server\\share\\KLAPI"})
        EXPECT_NE(BuildSetupToolCommand(folder, "Kestrel_K7", 1), "") << folder;
}

} // namespace
