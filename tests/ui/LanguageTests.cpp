#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "exports/StatusLibraryApp.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/Language.h"

namespace {

// A settings file and an install directory holding some resource libraries.
class LanguageFixture : public ::testing::Test {
protected:
    LanguageFixture() : common("UiLanguage") {}
    void SetUp() override {
        LanguageSection.clear();
        common.SetString("InstallPath", install.path());
    }
    void TearDown() override { LanguageSection.clear(); }

    void Library(const char* name) const {
        ASSERT_TRUE(
            ::CopyFileA((UiTestDir() + "\\UIRES.DLL").c_str(), install.File(name).c_str(), FALSE));
    }
    std::string Settings(const std::string& text, const char* name = "model.ini") const {
        files.Write(name, text);
        return files.File(name);
    }
    std::string Choose(const std::string& path, int* result = nullptr) const {
        char section[260] = {};
        int length = sizeof section;
        int r = GetLanguageSection(section, &length, path.c_str());
        if (result)
            *result = r;
        return section;
    }

    TempDir install;
    TempDir files;
    CommonKeyScope common;
};

using Language = LanguageFixture;
using LanguageJa = LanguageFixture;
using LanguageDe = LanguageFixture;
using LanguageAu = LanguageFixture;

TEST_F(LanguageJa, ExactLanguageMatchIsChosen) {
    ASSERT_EQ(::GetUserDefaultLangID(), 0x0411);
    Library("en.dll");
    Library("ja.dll");
    std::string ini = Settings("[Language]\nEnglish=9,1\nJapanese=11,1\n"
                               "[English]\nResDll=en.dll\n[Japanese]\nResDll=ja.dll\n");
    int result = -1;
    EXPECT_EQ(Choose(ini, &result), "Japanese");
    EXPECT_EQ(result, 6) << "the length of the ResDll name";
    EXPECT_EQ(LanguageSection.Get(), "Japanese");
}

TEST_F(LanguageAu, FirstEntryOfThePrimaryLanguageIsChosen) {
    ASSERT_EQ(::GetUserDefaultLangID(), 0x0C09);
    Library("a.dll");
    Library("b.dll");
    std::string ini = Settings("[Language]\nUS=0x09,0x01,United States\nUK=9,2\n"
                               "[US]\nResDll=a.dll\n[UK]\nResDll=b.dll\n");
    EXPECT_EQ(Choose(ini), "US");
}

TEST_F(LanguageDe, EnglishIsChosenWhenNoEntryHasThePrimaryLanguage) {
    ASSERT_EQ(::GetUserDefaultLangID(), 0x0407);
    Library("ja.dll");
    Library("en.dll");
    Library("fr.dll");
    std::string withEnglish = Settings("[Language]\nJapanese=11,1\nEnglish=9,1\n"
                                       "[Japanese]\nResDll=ja.dll\n[English]\nResDll=en.dll\n",
                                       "a.ini");
    EXPECT_EQ(Choose(withEnglish), "English");
    LanguageSection.clear();
    std::string without = Settings("[Language]\nJapanese=11,1\nFrench=c,1\n"
                                   "[Japanese]\nResDll=ja.dll\n[French]\nResDll=fr.dll\n",
                                   "b.ini");
    EXPECT_EQ(Choose(without), "Japanese");
}

TEST_F(LanguageDe, MissingLibraryFallsBackToUsEnglish) {
    ASSERT_EQ(::GetUserDefaultLangID(), 0x0407);
    Library("en.dll");
    std::string ini = Settings("[Language]\nGerman=7,1\nEnglish=9,1\n"
                               "[German]\nResDll=de.dll\n[English]\nResDll=en.dll\n");
    int result = -1;
    EXPECT_EQ(Choose(ini, &result), "English");
    EXPECT_EQ(result, 6);
}

TEST_F(Language, FirstUsableSectionWhenNeitherChoiceHasItsLibrary) {
    Library("fr.dll");
    std::string ini = Settings("[Language]\nGerman=7,1\nEnglish=9,1\nFrench=c,1\n"
                               "[German]\nResDll=de.dll\n[English]\nResDll=en.dll\n"
                               "[French]\nResDll=fr.dll\n");
    char section[260] = {};
    int length = sizeof section;
    EXPECT_EQ(GetLanguageSection(section, &length, ini.c_str()), 0);
    EXPECT_STREQ(section, "French");
    EXPECT_EQ(length, 7);
    EXPECT_EQ(LanguageSection.Get(), "French");
}

TEST_F(Language, TheFirstChoiceIsKeptForTheProcess) {
    Library("en.dll");
    std::string first = Settings("[Language]\nEnglish=9,1\n[English]\nResDll=en.dll\n", "a.ini");
    std::string second = Settings("[Language]\nOther=9,1\n[Other]\nResDll=en.dll\n", "b.ini");
    EXPECT_EQ(Choose(first), "English");
    EXPECT_EQ(Choose(second), "English");
    // The cached name is cut to a short buffer, and the full length reported.
    char small[4] = {};
    int length = sizeof small;
    EXPECT_EQ(GetLanguageSection(small, &length, second.c_str()), 0);
    EXPECT_STREQ(small, "Eng");
    EXPECT_EQ(length, 7);
}

TEST_F(Language, TooSmallABufferReportsTheLengthNeeded) {
    Library("en.dll");
    std::string ini = Settings("[Language]\nEnglish=9,1\n[English]\nResDll=en.dll\n");
    char small[7] = {};
    int length = sizeof small;
    EXPECT_EQ(GetLanguageSection(small, &length, ini.c_str()), -4);
    EXPECT_EQ(length, 7);
    EXPECT_TRUE(LanguageSection.empty());
}

TEST_F(Language, ALongLanguageSectionIsReadWhole) {
    Library("us.dll");
    std::string text = "[Language]\n";
    for (int i = 0; i < 30; ++i)
        text += "Padding_entry_number_" + std::to_string(i) + "=c,1\n";
    ASSERT_GT(text.size(), 600u);
    text += "UnitedStates=9,1\n[UnitedStates]\nResDll=us.dll\n";
    EXPECT_EQ(Choose(Settings(text)), "UnitedStates");
}

TEST_F(Language, NoLanguageSectionGivesAnEmptyNameAndEmptyReads) {
    std::string ini = Settings("[Other]\nResDll=en.dll\n");
    int result = -1;
    EXPECT_EQ(Choose(ini, &result), "");
    EXPECT_GE(result, 0);
    char value[32] = "x";
    int size = sizeof value;
    EXPECT_EQ(LangGetString("ResDll", value, &size, ini.c_str()), -1);
    EXPECT_STREQ(value, "");
}

TEST_F(Language, ReadersReadFromTheChosenSection) {
    Library("en.dll");
    std::string ini = Settings("[Language]\nEnglish=9,1\n"
                               "[English]\nResDll=en.dll\nNumber=12\nEmpty=\n[Number]\nNumber=3\n");
    char value[64] = {};
    int size = sizeof value;
    EXPECT_EQ(LangGetString("ResDll", value, &size, ini.c_str()), 0);
    EXPECT_STREQ(value, "en.dll");
    EXPECT_EQ(size, 6);
    size = sizeof value;
    EXPECT_EQ(LangGetString("Empty", value, &size, ini.c_str()), -1);
    size = sizeof value;
    EXPECT_EQ(LangGetString("Missing", value, &size, ini.c_str()), -1);
    EXPECT_EQ(LangGetInt("Number", 5, ini.c_str()), 12);
    EXPECT_EQ(LangGetInt("Missing", 5, ini.c_str()), 5);
}

TEST_F(Language, LibraryLookupNeedsTheCommonKeyAndAPlainName) {
    Library("en.dll");
    EXPECT_EQ(ResourceLibraryExists("en.dll"), 1);
    EXPECT_EQ(ResourceLibraryExists("EN.DLL"), 1);
    EXPECT_EQ(ResourceLibraryExists("de.dll"), 0);
    EXPECT_EQ(ResourceLibraryExists("*.dll"), 0) << "a pattern is not a file";
    EXPECT_EQ(ResourceLibraryExists(""), 0);
    std::string saved = CommonKeyPath;
    CommonKeyPath = "Software\\PqifTests\\NoSuchCommonKey";
    EXPECT_EQ(ResourceLibraryExists("en.dll"), 0);
    CommonKeyPath = saved;
}

// Windows on two threads, each with its own library and common key: each gets
// the section that names its library, the process keeps the first choice, and
// a caller outside any window still gets the process's.
TEST_F(Language, EachWindowChoosesForItsOwnLibraryAndKey) {
    Library("en.dll");
    Library("ja.dll");
    std::string ini = Settings("[Language]\nEnglish=9,1\nJapanese=11,1\n"
                               "[English]\nResDll=en.dll\n[Japanese]\nResDll=ja.dll\n");
    const std::string commonKey = CommonKeyPath;
    auto window = [&](const char* library, std::string* chosen, std::string* key) {
        WindowValues values;
        values.resourceLibrary = std::string("C:\\anywhere\\") + library;
        WindowValuesScope scope(&values);
        SetCurrentCommonKeyPath(commonKey);
        *chosen = Choose(ini);
        *key = CurrentCommonKeyPath();
        SetCurrentCommonKeyPath("Software\\PqifTests\\ThisWindowsOwnKey");
        *key += "|" + CurrentCommonKeyPath();
    };
    std::string japanese, english, japaneseKey, englishKey;
    std::thread first([&] { window("JA.DLL", &japanese, &japaneseKey); });
    first.join();
    std::thread second([&] { window("en.dll", &english, &englishKey); });
    second.join();
    EXPECT_EQ(japanese, "Japanese");
    EXPECT_EQ(english, "English") << "not the section a window before it chose";
    EXPECT_EQ(japaneseKey, commonKey + "|Software\\PqifTests\\ThisWindowsOwnKey");
    EXPECT_EQ(LanguageSection.Get(), "Japanese") << "the process keeps the first choice";
    EXPECT_EQ(Choose(ini), "Japanese");
    EXPECT_EQ(CommonKeyPath.Get(), "Software\\PqifTests\\ThisWindowsOwnKey")
        << "the process-wide key is the last one a window set";
    CommonKeyPath = commonKey;
}

} // namespace
