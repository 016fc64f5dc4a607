#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/common/ImportPatch.h"
#include "tests/status/TestPrinterKeys.h"

namespace {

std::string Find(const char* name, int selector, int expected) {
    char path[PrinterKeyPathSize + 8];
    std::memset(path, '#', sizeof path);
    EXPECT_EQ(FindPrinterKey(name, selector, path), expected) << (name ? name : "(null)");
    for (std::size_t i = PrinterKeyPathSize; i < sizeof path; ++i)
        EXPECT_EQ(path[i], '#') << "written past the path buffer";
    return expected == 0 ? std::string(path) : std::string();
}

TEST(FindPrinterKey, SelectorAndBaseKey) {
    TargetKeys keys;
    Find("Kestrel_K7", 2, 5);
    Find("Kestrel_K7", -1, 5);
    Find("Kestrel_K7", SelectByPrinter, 4); // no base key yet
    keys.Add(SelectByPrinter, "p1", "Kestrel_K7");
    Find("Kestrel_K7", SelectByPort, 4);
    EXPECT_EQ(Find("Kestrel_K7", SelectByPrinter, 0), std::string(PrinterTargetsPath) + "\\p1");
}

TEST(FindPrinterKey, NameMatchesWithoutCaseAndTheLowerIndexWins) {
    TargetKeys keys;
    keys.Add(SelectByPrinter, "a-unnamed", nullptr);
    keys.Add(SelectByPrinter, "b-empty", "");
    keys.Add(SelectByPrinter, "c-first", "KESTREL_k7");
    keys.Add(SelectByPrinter, "d-second", "kestrel_K7");
    keys.Add(SelectByPrinter, "e-other", "Other");
    Registry base(HKEY_CURRENT_USER, PrinterTargetsPath);
    std::string first;
    for (DWORD i = 0; first.empty(); ++i) {
        std::string name = base.EnumKey(i);
        ASSERT_FALSE(name.empty());
        if (name == "c-first" || name == "d-second")
            first = name;
    }
    EXPECT_EQ(Find("Kestrel_K7", SelectByPrinter, 0),
              std::string(PrinterTargetsPath) + "\\" + first);
    EXPECT_EQ(Find("other", SelectByPrinter, 0), std::string(PrinterTargetsPath) + "\\e-other");
    Find("Kestrel", SelectByPrinter, 1); // a prefix is not the name
    Find("", SelectByPrinter, 1);        // an empty "Name" never matches
    Find(nullptr, SelectByPrinter, 1);
}

TEST(FindPrinterKey, SubkeyTooLongForThePathIsSkippedCleanly) {
    TargetKeys keys;
    const std::string longName(250, 'k');
    keys.Add(SelectByPrinter, longName, "Kestrel_K7");
    Find("Kestrel_K7", SelectByPrinter, 1);
    // The longest name that still fits: base, backslash, name and zero in 260 bytes.
    const std::string fitting(PrinterKeyPathSize - std::strlen(PrinterTargetsPath) - 2, 'm');
    keys.Add(SelectByPrinter, fitting, "Kestrel_K7");
    EXPECT_EQ(Find("Kestrel_K7", SelectByPrinter, 0),
              std::string(PrinterTargetsPath) + "\\" + fitting);
}

TEST(FindPrinterKeyFor, PrinterNameFirstThenPort) {
    TargetKeys keys;
    std::string byPrinter = keys.Add(SelectByPrinter, "p", "Kestrel_K7");
    std::string byPort = keys.Add(SelectByPort, "q", "USB001");
    char path[PrinterKeyPathSize];
    ASSERT_EQ(FindPrinterKeyFor("Kestrel_K7", "USB001", path), 0);
    EXPECT_EQ(path, byPrinter);
    ASSERT_EQ(FindPrinterKeyFor("", "USB001", path), 0);
    EXPECT_EQ(path, byPort);
    ASSERT_EQ(FindPrinterKeyFor(nullptr, "usb001", path), 0);
    EXPECT_EQ(path, byPort);
    EXPECT_EQ(FindPrinterKeyFor("USB001", "USB001", path), 1); // a printer name looks only there
    EXPECT_EQ(FindPrinterKeyFor("", "", path), 1);
    EXPECT_EQ(FindPrinterKeyFor(nullptr, nullptr, path), 1);
}

TEST(RawStatus, StoreAndReadBack) {
    TargetKeys keys;
    keys.Add(SelectByPrinter, "p", "Kestrel_K7");
    const BYTE reply[] = {'@', 'B', 0, 0x0C, 0xFF};
    EXPECT_EQ(StoreRawStatus("Kestrel_K7", nullptr, reply, sizeof reply), 0);
    EXPECT_EQ(StoreRawStatus("Absent", nullptr, reply, sizeof reply), 1);

    DWORD length = 0;
    EXPECT_EQ(ReadRawStatus("kestrel_k7", "", nullptr, 0, &length), 1);
    ASSERT_EQ(length, sizeof reply);
    BYTE back[sizeof reply + 2] = {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11};
    DWORD copied = 0;
    EXPECT_EQ(ReadRawStatus("Kestrel_K7", "", back, sizeof reply, &copied), 1);
    EXPECT_EQ(copied, sizeof reply);
    EXPECT_EQ(std::memcmp(back, reply, sizeof reply), 0);
    EXPECT_EQ(back[sizeof reply], 0x11);
}

TEST(RawStatus, ValueThatOutgrewTheBufferIsNotCopied) {
    TargetKeys keys;
    keys.Add(SelectByPrinter, "p", "Kestrel_K7");
    const BYTE small[] = {1, 2, 3};
    ASSERT_EQ(StoreRawStatus("Kestrel_K7", nullptr, small, sizeof small), 0);
    DWORD length = 0;
    ASSERT_EQ(ReadRawStatus("Kestrel_K7", nullptr, nullptr, 0, &length), 1);
    const BYTE grown[64] = {9};
    ASSERT_EQ(StoreRawStatus("Kestrel_K7", nullptr, grown, sizeof grown), 0);
    BYTE buffer[8] = {0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A};
    EXPECT_EQ(ReadRawStatus("Kestrel_K7", nullptr, buffer, length, &length), 0);
    for (BYTE b : buffer)
        EXPECT_EQ(b, 0x5A);
}

TEST(RawStatus, MissingKeyOrValue) {
    TargetKeys keys;
    keys.Add(SelectByPrinter, "p", "Kestrel_K7");
    DWORD length = 77;
    EXPECT_EQ(ReadRawStatus("Absent", nullptr, nullptr, 0, &length), -1);
    EXPECT_EQ(ReadRawStatus("Kestrel_K7", nullptr, nullptr, 0, &length), 0);
    EXPECT_EQ(length, 0u);
    BYTE buffer[4];
    EXPECT_EQ(ReadRawStatus("Kestrel_K7", nullptr, buffer, sizeof buffer, &length), 0);
}

TEST(ComStatus, DefaultsToTwoAndRoundTrips) {
    TargetKeys keys;
    std::string path = keys.Add(SelectByPort, "q", "USB001");
    EXPECT_EQ(ReadComStatus(nullptr, "USB001"), 2u);
    EXPECT_EQ(ReadComStatus("Absent", nullptr), 2u);
    WriteComStatus("", "USB001", 4);
    EXPECT_EQ(ReadComStatus("", "usb001"), 4u);
    WriteComStatus("Absent", nullptr, 1); // no key: nothing written anywhere
    Registry base(HKEY_CURRENT_USER, PrinterTargetsPath);
    EXPECT_FALSE(base.IsOpen());
    WriteComStatus("", "USB001", 1);
    EXPECT_EQ(ReadDword(path, "ComStatus"), 1u);
}

// The raw reply and the communication state are two writes; one failing does
// not stop the other.
using SetValueFn = LONG(WINAPI*)(HKEY, LPCSTR, DWORD, DWORD, const BYTE*, DWORD);
SetValueFn g_setValue = nullptr;

LONG WINAPI StatusWriteFails(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data,
                             DWORD size) {
    if (name && std::strcmp(name, "Status") == 0)
        return ERROR_ACCESS_DENIED;
    return g_setValue(key, name, reserved, type, data, size);
}

TEST(DecodedReply, ComStatusIsWrittenEvenWhenTheReplyIsNot) {
    TargetKeys keys;
    std::string path = keys.Add(SelectByPrinter, "p", "Kestrel_K7");
    const char reply[] = "@BDC ST\r\nST:04;\x0C";
    EXPECT_EQ(StoreDecodedReplyAt(path.c_str(), reply, sizeof reply - 1), 0);
    EXPECT_EQ(ReadDword(path, "ComStatus"), 1u);
    WriteComStatusAt(path.c_str(), 4);
    {
        ImportPatch patch("advapi32.dll", "RegSetValueExA",
                          reinterpret_cast<void*>(&StatusWriteFails));
        ASSERT_TRUE(patch.Active());
        g_setValue = patch.Original<SetValueFn>();
        EXPECT_EQ(StoreDecodedReplyAt(path.c_str(), reply, sizeof reply - 1), 2)
            << "the failed write is still reported";
    }
    EXPECT_EQ(ReadDword(path, "ComStatus"), 1u);
}

} // namespace
