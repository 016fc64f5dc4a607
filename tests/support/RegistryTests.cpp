#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/Registry.h"
#include "tests/common/ImportPatch.h"
#include "tests/common/ScratchKey.h"

namespace {

std::string Sub(const ScratchKey& key, const char* name) {
    return key.path() + "\\" + name;
}

TEST(Registry, MissingKeyStaysClosedAndEveryOperationIsNeutral) {
    ScratchKey scratch("RegistryMissing");
    Registry reg(HKEY_CURRENT_USER, Sub(scratch, "absent").c_str());
    EXPECT_FALSE(reg.IsOpen());
    EXPECT_EQ(reg.GetString("x", "def", 256), "def");
    EXPECT_EQ(reg.GetDword("x", 7u), 7u);
    EXPECT_EQ(reg.GetDwordOrMinusOne("x"), -1);
    EXPECT_EQ(reg.GetValueSize("x"), 0u);
    EXPECT_TRUE(reg.GetBinary("x").empty());
    EXPECT_EQ(reg.EnumKey(0), "");
    EXPECT_EQ(reg.EnumValue(0), "");
    EXPECT_EQ(reg.GetValueType("x"), 0u);
    EXPECT_EQ(reg.SetString("x", "v"), 0);
    EXPECT_EQ(reg.SetDword("x", 1), 0);
    EXPECT_EQ(reg.SetBinary("x", "ab", 2), 0);
    EXPECT_EQ(reg.DeleteValue("x"), 0);
    EXPECT_EQ(reg.DeleteKey("x"), 0);
    // The failed open must not have created the key.
    Registry again(HKEY_CURRENT_USER, Sub(scratch, "absent").c_str());
    EXPECT_FALSE(again.IsOpen());
}

TEST(Registry, CreateReportsNewKeysOnlyAndOpensExistingOnes) {
    ScratchKey scratch("RegistryCreate");
    std::string path = Sub(scratch, "made");
    {
        Registry reg(HKEY_CURRENT_USER, scratch.c_str());
        EXPECT_EQ(reg.Create(HKEY_CURRENT_USER, path.c_str(), nullptr, KEY_ALL_ACCESS), 1);
        EXPECT_TRUE(reg.IsOpen());
        EXPECT_EQ(reg.SetDword("v", 5), 1);
    }
    Registry existing(HKEY_CURRENT_USER, path.c_str(), true);
    EXPECT_TRUE(existing.IsOpen());
    EXPECT_EQ(existing.GetDword("v", 0), 5u);
    Registry second(HKEY_CURRENT_USER, scratch.c_str());
    EXPECT_EQ(second.Create(HKEY_CURRENT_USER, path.c_str(), nullptr, KEY_ALL_ACCESS), 0);
    EXPECT_TRUE(second.IsOpen());
}

TEST(Registry, ValuesRoundTripWithTheirTypes) {
    ScratchKey scratch("RegistryValues");
    Registry reg(HKEY_CURRENT_USER, scratch.c_str(), true);
    ASSERT_TRUE(reg.IsOpen());
    EXPECT_EQ(reg.SetString("Name", "Demo Printer"), 1);
    EXPECT_EQ(reg.SetDword("Count", 0xFFFFFFFFu), 1);
    const unsigned char bytes[] = {'@', 'B', 0, 0x0C};
    EXPECT_EQ(reg.SetBinary("Status", bytes, sizeof bytes), 1);

    EXPECT_EQ(reg.GetString("Name", "", 256), "Demo Printer");
    EXPECT_EQ(reg.GetDwordOrMinusOne("Count"), -1);
    EXPECT_EQ(reg.GetValueSize("Status"), 4u);
    std::vector<BYTE> back = reg.GetBinary("Status");
    ASSERT_EQ(back.size(), 4u);
    EXPECT_EQ(back[2], 0);
    EXPECT_EQ(back[3], 0x0C);

    EXPECT_EQ(reg.IsStringValue("Name"), 1);
    EXPECT_EQ(reg.IsDwordValue("Count"), 1);
    EXPECT_EQ(reg.IsBinaryValue("Status"), 1);
    EXPECT_EQ(reg.IsStringValue("Count"), 0);
    EXPECT_EQ(reg.GetValueType("nothing"), 0u);
    EXPECT_EQ(reg.EnumValue(0).empty(), false);
    EXPECT_EQ(reg.EnumValue(3), "");
    EXPECT_EQ(reg.DeleteValue("Name"), 1);
    EXPECT_EQ(reg.GetString("Name", "gone", 256), "gone");
}

TEST(Registry, OversizedValuesGiveTheDefault) {
    ScratchKey scratch("RegistryOversized");
    Registry reg(HKEY_CURRENT_USER, scratch.c_str(), true);
    std::string longText(299, 'x'); // 300 bytes with the terminator
    ASSERT_EQ(reg.SetString("Long", longText.c_str()), 1);
    EXPECT_EQ(reg.GetString("Long", "default", 256), "default");
    EXPECT_EQ(reg.GetString("Long", "default", 300), longText);

    const unsigned char eight[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_EQ(reg.SetBinary("Eight", eight, sizeof eight), 1);
    EXPECT_EQ(reg.GetDword("Eight", 42), 42u);

    const unsigned char two[2] = {0x34, 0x12};
    ASSERT_EQ(reg.SetBinary("Two", two, sizeof two), 1);
    EXPECT_EQ(reg.GetDword("Two", 0xAABBCCDDu), 0xAABB1234u);

    ASSERT_EQ(reg.SetBinary("Empty", nullptr, 0), 1);
    EXPECT_TRUE(reg.GetBinary("Empty").empty());
}

// Windows leaves the buffer undefined when a query fails with ERROR_MORE_DATA;
// Wine happens to leave it alone, so the system call is made to scribble here.
LONG WINAPI ScribblingQuery(HKEY, LPCSTR, LPDWORD, LPDWORD, LPBYTE data, LPDWORD size) {
    if (data && size)
        std::memset(data, 0xCC, *size);
    return ERROR_MORE_DATA;
}

TEST(Registry, FailedDwordQueryGivesTheDefaultWhateverTheBufferHolds) {
    ScratchKey scratch("RegistryScribbled");
    Registry reg(HKEY_CURRENT_USER, scratch.c_str(), true);
    ASSERT_EQ(reg.SetDword("Value", 7), 1);
    ImportPatch patch("advapi32.dll", "RegQueryValueExA",
                      reinterpret_cast<void*>(&ScribblingQuery));
    ASSERT_TRUE(patch.Active());
    EXPECT_EQ(reg.GetDword("Value", 42), 42u);
    EXPECT_EQ(reg.GetDwordOrMinusOne("Value"), -1);
}

TEST(Registry, StringWithoutTerminatorStopsAtTheDataSize) {
    ScratchKey scratch("RegistryUnterminated");
    Registry reg(HKEY_CURRENT_USER, scratch.c_str(), true);
    const char raw[3] = {'a', 'b', 'c'};
    ASSERT_EQ(
        ::RegSetValueExA(reg.Handle(), "Raw", 0, REG_BINARY, reinterpret_cast<const BYTE*>(raw), 3),
        ERROR_SUCCESS);
    EXPECT_EQ(reg.GetString("Raw", "", 256), "abc");
    EXPECT_EQ(reg.GetString("Raw", "", 3), "abc");
}

TEST(Registry, DeleteKeyRemovesThreeLevelsDeepestFirst) {
    ScratchKey scratch("RegistryDelete");
    {
        Registry a(HKEY_CURRENT_USER, Sub(scratch, "top\\mid\\leaf").c_str(), true);
        ASSERT_TRUE(a.IsOpen());
        EXPECT_TRUE(a.SetDword("v", 1));
        Registry b(HKEY_CURRENT_USER, Sub(scratch, "top\\mid2").c_str(), true);
        ASSERT_TRUE(b.IsOpen());
    }
    Registry base(HKEY_CURRENT_USER, scratch.c_str(), false, KEY_ALL_ACCESS);
    EXPECT_EQ(base.EnumKey(0), "top");
    EXPECT_EQ(base.EnumKey(1), "");
    EXPECT_EQ(base.DeleteKey("top"), 1);
    EXPECT_EQ(base.EnumKey(0), "");
    Registry gone(HKEY_CURRENT_USER, Sub(scratch, "top").c_str());
    EXPECT_FALSE(gone.IsOpen());
}

TEST(Registry, EnumKeyReturnsTheClass) {
    ScratchKey scratch("RegistryClass");
    HKEY raw = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, Sub(scratch, "k").c_str(), 0,
                                const_cast<char*>("MyClass"), 0, KEY_ALL_ACCESS, nullptr, &raw,
                                nullptr),
              ERROR_SUCCESS);
    ::RegCloseKey(raw);
    Registry base(HKEY_CURRENT_USER, scratch.c_str());
    std::string cls;
    EXPECT_EQ(base.EnumKey(0, &cls), "k");
    EXPECT_EQ(cls, "MyClass");
}

} // namespace
