#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "V_PQIF07.h"
#include "tests/status/TestPrinterKeys.h"

namespace {

const char* const kSection = "Vorne Kestrel K7";

class SetRegDefaultValueTest : public ::testing::Test {
protected:
    void SetUp() override { key_ = keys_.Add(SelectByPrinter, "p", "Kestrel_K7"); }

    LONG Run(const std::string& contents) {
        settings_ = std::make_unique<ModelSettings>(kSection, contents);
        return SetRegDefaultValue(settings_->path().c_str(), kSection, key_.c_str());
    }
    std::string Notify() const { return key_ + "\\Notify"; }

    TargetKeys keys_;
    std::string key_;
    std::unique_ptr<ModelSettings> settings_;
};

TEST_F(SetRegDefaultValueTest, WritesPlainValuesAndItems) {
    EXPECT_EQ(Run("[Vorne Kestrel K7]\nSoundNotifyEnable=1\nTrayIconEnable=1\nSlipMax=12 ;c\n"
                  "PaperNearEnd=-3\nITEMNUM=3\nITEM000=1\nITEM005=0\nITEM012=1\nITEM020=1\n"),
              PQIF_DEFAULTS_WRITTEN);
    EXPECT_EQ(ReadDword(key_, "SoundNotifyEnable"), 1u);
    EXPECT_EQ(ReadDword(key_, "TrayIconEnable"), 1u);
    EXPECT_EQ(ReadDword(key_, "TrayIconSelected"), 0u); // missing switches are written as 0
    EXPECT_EQ(ReadDword(key_, "SlipMax"), 12u);
    EXPECT_EQ(ReadDword(key_, "PaperNearEnd"), static_cast<DWORD>(-3));
    EXPECT_EQ(ReadDword(key_, "MaxIC"), 0xDEADu); // missing limits are not written
    EXPECT_EQ(ReadDword(Notify(), "000"), 1u);
    EXPECT_EQ(ReadDword(Notify(), "005"), 0u);
    EXPECT_EQ(ReadDword(Notify(), "012"), 1u);
    EXPECT_EQ(ReadDword(Notify(), "020"), 0xDEADu); // the scan stops once ITEMNUM are found
}

TEST_F(SetRegDefaultValueTest, SecondCallKeepsTheItemsButRewritesValues) {
    ASSERT_EQ(Run("[Vorne Kestrel K7]\nSlipMax=5\nITEMNUM=1\nITEM000=1\n"), 0);
    Registry(HKEY_CURRENT_USER, Notify().c_str(), true).SetDword("000", 0);
    EXPECT_EQ(Run("[Vorne Kestrel K7]\nSlipMax=6\nITEMNUM=1\nITEM000=1\n"),
              PQIF_DEFAULTS_NOTIFY_EXISTS);
    EXPECT_EQ(ReadDword(key_, "SlipMax"), 6u);
    EXPECT_EQ(ReadDword(Notify(), "000"), 0u);
}

TEST_F(SetRegDefaultValueTest, MissingFileWritesSwitchesOnly) {
    Registry(HKEY_CURRENT_USER, key_.c_str(), true).SetDword("MaxCaset", 3);
    Registry(HKEY_CURRENT_USER, key_.c_str(), true).SetDword("SoundNotifyEnable", 1);
    EXPECT_EQ(SetRegDefaultValue("C:\\no\\such\\file.ini", kSection, key_.c_str()),
              PQIF_DEFAULTS_NO_ITEMNUM);
    EXPECT_EQ(ReadDword(key_, "SoundNotifyEnable"), 0u);
    EXPECT_EQ(ReadDword(key_, "TrayIconSelected"), 0u);
    EXPECT_EQ(ReadDword(key_, "MaxCaset"), 3u);
    Registry notify(HKEY_CURRENT_USER, Notify().c_str());
    EXPECT_TRUE(notify.IsOpen());
    EXPECT_EQ(notify.EnumValue(0), "");
}

TEST_F(SetRegDefaultValueTest, ItemCountProblems) {
    EXPECT_EQ(Run("[Vorne Kestrel K7]\nITEMNUM =2\nITEM000=1\n"), PQIF_DEFAULTS_NO_ITEMNUM);
    Registry(HKEY_CURRENT_USER, key_.c_str(), true).DeleteKey("Notify");
    EXPECT_EQ(Run("[Vorne Kestrel K7]\nITEMNUM=-2\nITEM000=1\n"), PQIF_DEFAULTS_NO_ITEMNUM);
    EXPECT_EQ(ReadDword(Notify(), "000"), 0xDEADu);
    Registry(HKEY_CURRENT_USER, key_.c_str(), true).DeleteKey("Notify");
    EXPECT_EQ(Run("[Vorne Kestrel K7]\nITEMNUM=3\nITEM001=1\nITEM999=0\n[Next]\nITEM002=1\n"),
              PQIF_DEFAULTS_ITEMS_MISSING);
    EXPECT_EQ(ReadDword(Notify(), "001"), 1u);
    EXPECT_EQ(ReadDword(Notify(), "999"), 0u);
    EXPECT_EQ(ReadDword(Notify(), "002"), 0xDEADu);
    Registry(HKEY_CURRENT_USER, key_.c_str(), true).DeleteKey("Notify");
    EXPECT_EQ(Run("[Vorne Kestrel K7]\nITEMNUM=0\n"), PQIF_DEFAULTS_WRITTEN);
}

TEST_F(SetRegDefaultValueTest, PrinterKeyIsNeverCreated) {
    const std::string absent = std::string(PrinterTargetsPath) + "\\absent";
    EXPECT_EQ(SetRegDefaultValue("x.ini", kSection, absent.c_str()), PQIF_DEFAULTS_NO_PRINTER_KEY);
    EXPECT_FALSE(Registry(HKEY_CURRENT_USER, absent.c_str()).IsOpen());
    EXPECT_EQ(SetRegDefaultValue("x.ini", kSection, nullptr), PQIF_DEFAULTS_NO_PRINTER_KEY);
}

} // namespace
