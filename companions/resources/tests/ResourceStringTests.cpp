// The language resource libraries: every string the window loads, the
// Japanese texts as characters, the format strings, the version resources.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>

#include "ResourceTestSupport.h"

using restest::LoadModule;
using restest::LoadText;

namespace {

class LanguageLibrary : public ::testing::TestWithParam<restest::Language> {
protected:
    void SetUp() override {
        module_ = LoadModule(GetParam().file);
        ASSERT_TRUE(module_) << GetParam().file;
    }
    HMODULE module() const { return module_.get(); }

private:
    UniqueModule module_;
};

int CountDirectives(const std::wstring& text, int* integerDirectives) {
    int all = 0, ints = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'%')
            continue;
        if (i + 1 < text.size() && text[i + 1] == L'%') {
            ++i;
            continue;
        }
        ++all;
        if (i + 1 < text.size() && text[i + 1] == L'd')
            ++ints;
    }
    *integerDirectives = ints;
    return all;
}

bool HasJapanese(const std::wstring& text) {
    return std::any_of(text.begin(), text.end(), [](wchar_t ch) {
        return (ch >= 0x3040 && ch <= 0x30FF) || (ch >= 0x4E00 && ch <= 0x9FFF);
    });
}

} // namespace

TEST_P(LanguageLibrary, HoldsEveryStringTheWindowUses) {
    for (UINT id : restest::UsedStringIds()) {
        const std::wstring text = LoadText(module(), id);
        EXPECT_FALSE(text.empty()) << "string " << id;
        // A text of blanks alone would be replaced by the fallback message.
        EXPECT_NE(text.find_first_not_of(L" \r\n"), std::wstring::npos) << "string " << id;
    }
}

TEST_P(LanguageLibrary, ItemCountMatchesTheItemNames) {
    const std::wstring count = LoadText(module(), 1000);
    EXPECT_EQ(count, L"5");
    for (UINT id = 1001; id <= 1005; ++id)
        EXPECT_FALSE(LoadText(module(), id).empty()) << id;
    // The idle interval is decimal text inside the accepted range.
    const int idle = _wtoi(LoadText(module(), 1340).c_str());
    EXPECT_GE(idle, 2);
    EXPECT_LE(idle, 60);
}

TEST_P(LanguageLibrary, FormatStringsHaveTheirPlaceholdersAndNoOtherStringHasAny) {
    struct Expect {
        UINT id;
        int ints;
    };
    for (const Expect& e : {Expect{1700, 2}, Expect{1702, 1}, Expect{1703, 1}}) {
        int ints = 0;
        EXPECT_EQ(CountDirectives(LoadText(module(), e.id), &ints), e.ints) << e.id;
        EXPECT_EQ(ints, e.ints) << e.id;
    }
    // Message texts are shown as they are; a stray directive in one would be a
    // fault waiting for the first caller that formats it.
    for (UINT id : restest::UsedStringIds()) {
        if (id == 1700 || id == 1702 || id == 1703)
            continue;
        int ints = 0;
        EXPECT_EQ(CountDirectives(LoadText(module(), id), &ints), 0) << "string " << id;
    }
    wchar_t sheets[128];
    std::swprintf(sheets, 128, LoadText(module(), 1700).c_str(), 7, 12);
    const std::wstring s = sheets;
    ASSERT_NE(s.find(L"7"), std::wstring::npos);
    EXPECT_LT(s.find(L"7"), s.find(L"12")) << "sheets done come before sheets in all";
}

TEST_P(LanguageLibrary, InkNamesStartOnTheirOwnLine) {
    // They are appended to 3018 and 3024 with nothing in between.
    for (UINT id = 3052; id <= 3057; ++id) {
        const std::wstring name = LoadText(module(), id);
        ASSERT_GE(name.size(), 3u) << id;
        EXPECT_EQ(name.substr(0, 2), L"\r\n") << id;
    }
}

TEST_P(LanguageLibrary, CarriesItsOwnLanguageInTheVersionResource) {
    char path[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(module(), path, MAX_PATH), 0u);
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &handle);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> data(size);
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, data.data()));
    WORD* translation = nullptr;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &len));
    ASSERT_GE(len, 4u);
    EXPECT_EQ(translation[0], GetParam().language);
}

INSTANTIATE_TEST_SUITE_P(Both, LanguageLibrary, ::testing::ValuesIn(restest::kLanguages),
                         [](const auto& info) {
                             return std::string(info.param.language == 0x0411 ? "Japanese"
                                                                              : "English");
                         });

TEST(JapaneseLibrary, StringsLoadAsTheRightCharacters) {
    UniqueModule ja = LoadModule("KVRRES_JA.DLL");
    ASSERT_TRUE(ja);
    EXPECT_EQ(LoadText(ja.get(), 1100), L"\x30B9\x30C6\x30FC\x30BF\x30B9\x30E2\x30CB\x30BF");
    EXPECT_EQ(LoadText(ja.get(), 1603), L"\x518D\x958B");
    // Characters whose second Shift-JIS byte is 0x5C: a script compiled
    // without care turns that byte into an escape and loses or garbles them.
    EXPECT_NE(LoadText(ja.get(), 1233).find(L"\x30BD\x30D5\x30C8"), std::wstring::npos);
    EXPECT_NE(LoadText(ja.get(), 3026).find(L"\x8868\x793A"), std::wstring::npos);
    EXPECT_EQ(LoadText(ja.get(), 1700), L"%d \x679A\x76EE / \x5168 %d \x679A");
}

TEST(JapaneseLibrary, EveryTextIsJapaneseAndFreeOfStrayEscapes) {
    UniqueModule ja = LoadModule("KVRRES_JA.DLL");
    ASSERT_TRUE(ja);
    for (UINT id : restest::UsedStringIds()) {
        const std::wstring text = LoadText(ja.get(), id);
        EXPECT_EQ(text.find(L'\\'), std::wstring::npos) << "string " << id;
        EXPECT_EQ(text.find(L'\xFFFD'), std::wstring::npos) << "string " << id;
        const bool languageNeutral = id == 1000 || id == 1340;
        if (!languageNeutral) {
            EXPECT_TRUE(HasJapanese(text)) << "string " << id << " is not translated";
        }
    }
}

TEST(EnglishLibrary, TextsArePlainAnsi) {
    // The window loads them with the ANSI functions under any code page.
    UniqueModule en = LoadModule("KVRRES_EN.DLL");
    ASSERT_TRUE(en);
    for (UINT id : restest::UsedStringIds())
        for (wchar_t ch : LoadText(en.get(), id))
            EXPECT_LT(static_cast<unsigned>(ch), 0x80u) << "string " << id;
}
