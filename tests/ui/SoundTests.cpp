#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "exports/StatusLibraryApp.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/CommonKeyNotice.h"
#include "ui/ModelIni.h"
#include "ui/SoundTable.h"

namespace {

const char* const Model = "Pqif Sound Model";

// A short, valid wave file: 8 kHz, 8 bits, mono, 80 samples of silence.
std::string Wave() {
    std::string data(80, '\x80');
    auto u32 = [](unsigned v) {
        return std::string{static_cast<char>(v), static_cast<char>(v >> 8),
                           static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
    };
    std::string fmt = std::string("\x01\x00\x01\x00", 4) + u32(8000) + u32(8000) +
                      std::string("\x01\x00\x08\x00", 4);
    return "RIFF" + u32(static_cast<unsigned>(36 + data.size())) + "WAVEfmt " + u32(16) + fmt +
           "data" + u32(static_cast<unsigned>(data.size())) + data;
}

class SoundFixture : public ::testing::Test {
protected:
    SoundFixture() : common("UiSound"), profile(HKEY_LOCAL_MACHINE, ModelIni::ProfileKeyPath) {}
    void SetUp() override {
        LanguageSection.clear();
        common.SetString("InstallPath", install.path());
        ASSERT_TRUE(::CopyFileA((UiTestDir() + "\\UIRES.DLL").c_str(),
                                install.File("en.dll").c_str(), FALSE));
        install.Write("alert.wav", Wave());
        install.Write("beep.WAV", Wave());
    }
    void TearDown() override { LanguageSection.clear(); }
    void Ini(const std::string& keys) {
        files.Write("model.ini", "[Language]\nEnglish=9,1\n[English]\nResDll=en.dll\n" + keys);
        profile.SetString(Model, files.File("model.ini"));
    }

    TempDir install;
    TempDir files;
    CommonKeyScope common;
    KeyBackup profile;
};

TEST_F(SoundFixture, PlaysOnlyWaveNamesOfTheTable) {
    Ini("WVV002=beep.WAV\nWVV003=tune.mid\nWVV004=alert.wavx\nWVV005=alert.wav\nWVV006=av\n");
    SoundTable table(Model);
    ASSERT_EQ(table.IsReady(), 1);
    EXPECT_EQ(table.PathFor(5), install.path() + "\\alert.wav");
    EXPECT_EQ(table.PathFor(2), install.path() + "\\beep.WAV") << "WAV in upper case plays";
    for (int n : {0, 3, 4, 6, 7, 999, 1000, 5000, -1, -999, INT_MIN, INT_MAX})
        EXPECT_EQ(table.PathFor(n), "") << n;
    EXPECT_EQ(table.Play(5), 1);
    EXPECT_EQ(table.Play(2), 1);
    EXPECT_EQ(table.Play(3), 0);
    EXPECT_EQ(table.Play(1000), 0);
    EXPECT_EQ(table.Play(-1), 0);
    StopSound();
}

TEST_F(SoundFixture, OnlyTheDefinedNumberCanPlay) {
    Ini("WVV005=alert.wav\n");
    SoundTable table(Model);
    int playable = 0;
    for (int n = -5; n < 1005; ++n)
        playable += table.PathFor(n).empty() ? 0 : 1;
    EXPECT_EQ(playable, 1);
    EXPECT_FALSE(table.PathFor(5).empty());
}

TEST_F(SoundFixture, WithoutIniOrInstallDirectoryNothingPlays) {
    SoundTable noIni("Pqif Model Without Ini");
    EXPECT_EQ(noIni.IsReady(), 1);
    EXPECT_EQ(noIni.Play(5), 0);
    Ini("WVV005=alert.wav\n");
    common.SetString("InstallPath", "");
    SoundTable noDirectory(Model);
    EXPECT_EQ(noDirectory.IsReady(), 0);
    EXPECT_EQ(noDirectory.Play(5), 0);
}

TEST_F(SoundFixture, UnknownCommonKeyShowsTheNoticeReadablyInAnyCodePage) {
    Ini("WVV005=alert.wav\n");
    ASSERT_NE(::GetACP(), 932u) << "the point is a system that is not Japanese";
    std::string saved = CommonKeyPath;
    CommonKeyPath.clear();
    MessageBoxWatcher watcher;
    SoundTable table(Model);
    CommonKeyPath = saved;
    EXPECT_EQ(table.IsReady(), 0);
    auto boxes = watcher.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, L"CommonKey\u304C\u53D6\u5F97\u3067\u304D\u306A\u3044\uFF01");
}

TEST_F(SoundFixture, ModelIniReadsTheModelOrTheLanguageSection) {
    files.Write("model.ini", "[Language]\nEnglish=9,1\n[English]\nResDll=en.dll\nKey=lang\n"
                             "[Pqif Sound Model]\nKey=model-section-value\n");
    profile.SetString(Model, files.File("model.ini"));
    ModelIni bySection(Model, 0);
    ASSERT_TRUE(bySection.IsValid());
    EXPECT_EQ(bySection.GetString("Key", "d", 256), "model-section-value");
    EXPECT_EQ(bySection.GetString("Key", "d", 6), "model") << "cut to size - 1";
    EXPECT_EQ(bySection.GetString("Missing", "d", 256), "d");
    ModelIni byLanguage(Model, 1);
    EXPECT_EQ(byLanguage.Section(), "English");
    EXPECT_EQ(byLanguage.GetString("Key", "d", 256), "lang");
    ModelIni none("Pqif Model Without Ini", 1);
    EXPECT_FALSE(none.IsValid());
    EXPECT_EQ(none.GetString("Key", "fallback", 256), "fallback");
}

} // namespace
