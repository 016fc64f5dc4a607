#include <gtest/gtest.h>

#include <string>

#include "tests/status/TestPrinterKeys.h"

namespace {

const char* const kModel = "Vorne Kestrel K7";

struct Flags {
    LONG sound = -5;
    LONG notify = -5;
    int missing = -5;
};

Flags Lookup(const char* printer, const char* port, int item, const char* model = kModel) {
    Flags f;
    f.missing = NotifyLookup(printer, port, item, &f.sound, &f.notify, model);
    return f;
}

void SetNotify(const std::string& printerKey, const char* item, DWORD value) {
    Registry notify(HKEY_CURRENT_USER, (printerKey + "\\Notify").c_str(), true);
    EXPECT_TRUE(notify.SetDword(item, value));
}

TEST(NotifyLookup, RegistrySettingsWin) {
    TargetKeys keys;
    std::string key = keys.Add(SelectByPrinter, "p", "Kestrel_K7");
    EXPECT_TRUE(Registry(HKEY_CURRENT_USER, key.c_str(), true).SetDword("SoundNotifyEnable", 1));
    SetNotify(key, "012", 0);
    SetNotify(key, "009", 1);
    SetNotify(key, "999", 1);
    ModelSettings ini(kModel, "[Vorne Kestrel K7]\nITEM012=1\nSoundNotifyEnable=0\n");

    Flags f = Lookup("Kestrel_K7", nullptr, 12);
    EXPECT_EQ(f.sound, 0);
    EXPECT_EQ(f.notify, 0);
    EXPECT_EQ(f.missing, 0);
    f = Lookup("Kestrel_K7", nullptr, 9);
    EXPECT_EQ(f.sound, 1);
    EXPECT_EQ(f.notify, 1);
    f = Lookup("Kestrel_K7", nullptr, 999);
    EXPECT_EQ(f.notify, 1);
}

TEST(NotifyLookup, SettingsFileFillsTheItemWithoutAKey) {
    TargetKeys keys;
    ModelSettings ini(kModel, "[Vorne Kestrel K7]\nSoundNotifyEnable=1\nITEM012=1\n");
    Flags f = Lookup("Kestrel_K7", nullptr, 12);
    EXPECT_EQ(f.notify, 1);
    EXPECT_EQ(f.sound, 0); // the sound setting is not read from the file in this case
    EXPECT_EQ(f.missing, 1);
    f = Lookup("Kestrel_K7", nullptr, 11); // no ITEM011 either
    EXPECT_EQ(f.notify, 0);
    EXPECT_EQ(f.missing, 2);
}

TEST(NotifyLookup, SettingsFileFillsTheMissingSoundSwitch) {
    TargetKeys keys;
    std::string key = keys.Add(SelectByPort, "q", "USB001");
    SetNotify(key, "014", 1);
    ModelSettings ini(kModel, "[Vorne Kestrel K7]\nSoundNotifyEnable=1\nITEM014=0\n");
    Flags f = Lookup("", "USB001", 14);
    EXPECT_EQ(f.notify, 1);
    EXPECT_EQ(f.sound, 1);
    EXPECT_EQ(f.missing, 0);
}

TEST(NotifyLookup, NothingAnywhere) {
    TargetKeys keys;
    Flags f = Lookup("Kestrel_K7", nullptr, 12, "No Such Model");
    EXPECT_EQ(f.sound, 0);
    EXPECT_EQ(f.notify, 0);
    EXPECT_EQ(f.missing, 2);
    f = Lookup("Kestrel_K7", nullptr, 12, nullptr);
    EXPECT_EQ(f.missing, 2);
}

TEST(FindModelIni, NeedsTheValueTheFileAndTheSection) {
    char path[260] = {};
    EXPECT_EQ(FindModelIni(path, "Absent Model"), 1);
    EXPECT_EQ(FindModelIni(path, ""), 1);
    {
        ModelSettings ini("ModelX", "[Other]\nA=1\n[ModelX2]\nB=2\n");
        ASSERT_EQ(FindModelIni(path, "ModelX"), 0); // the name is compared over its length only
        EXPECT_EQ(ini.path(), path);
        EXPECT_EQ(FindModelIni(path, "modelx"), 0);
    }
    {
        ModelSettings ini("ModelX", "[Other]\n ModelX]\n" + std::string(309, ';') + "[ModelX]\n");
        EXPECT_EQ(FindModelIni(path, "ModelX"), 1); // the tail of a long line is no header
    }
    {
        ModelSettings ini("ModelX", "[A]\n");
        ::DeleteFileA(ini.path().c_str());
        EXPECT_EQ(FindModelIni(path, "ModelX"), 1);
    }
}

} // namespace
