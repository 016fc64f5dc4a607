#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/ui/UiTestSupport.h"
#include "ui/FitTextCtrl.h"
#include "ui/ResText.h"

namespace {

TEST(ResText, LoadsLongStringsWholeFromTheCurrentModule) {
    ResText text; // built before the module is made current: Load looks again
    ResourceModuleScope resources;
    ASSERT_TRUE(resources.module());
    EXPECT_EQ(text.Load(3000), 1);
    EXPECT_EQ(std::strlen(text.Text()), 600u);
    std::wstring wide = LoadResourceStringW(resources.module(), 3000);
    EXPECT_EQ(Widen(text.Text()), wide);
    EXPECT_EQ(text.Load(1100), 1);
    EXPECT_STREQ(text.Text(), "Printer Status");
    EXPECT_EQ(text.Load(4242), 0);
    EXPECT_STREQ(text.Text(), "");
    text.Assign("assigned");
    EXPECT_STREQ(text.Text(), "assigned");
}

// A static with the GUI font in a host window, and the widths that font gives.
class FitTextFixture : public ::testing::Test {
protected:
    static void SetUpTestSuite() { host = MakeHostWindow(400, 60, 0, 300); }
    static void TearDownTestSuite() { ::DestroyWindow(host); }
    void SetUp() override {
        child = MakeChild(host, "STATIC", SS_LEFT, 0, 0, 300, 20, 307);
        ::SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        ASSERT_TRUE(label.SubclassWindow(child));
    }
    void TearDown() override { ::DestroyWindow(child); }

    int Width(const std::string& text) const {
        HDC dc = ::GetDC(child);
        HGDIOBJ old = ::SelectObject(dc, font);
        SIZE size = {};
        ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
        ::SelectObject(dc, old);
        ::ReleaseDC(child, dc);
        return size.cx;
    }
    void SetClientWidth(int width) const {
        ::SetWindowPos(child, nullptr, 0, 0, width, 20, SWP_NOMOVE | SWP_NOZORDER);
    }
    std::string Fit(const std::string& text) {
        label.SetFittedText(text.c_str());
        return label.GetWindowText();
    }
    // The longest prefix (cut at characters) that fits with "..." before width.
    std::string Expected(const std::string& text, int width) const {
        if (Width(text) < width)
            return text;
        std::string best = "...";
        const char* start = text.c_str();
        for (const char* p = start; *p; p = ::CharNextA(p)) {
            std::string candidate = std::string(start, static_cast<size_t>(p - start)) + "...";
            if (Width(candidate) < width)
                best = candidate;
        }
        return best;
    }

    static HWND host;
    HFONT font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    HWND child = nullptr;
    FitTextCtrl label;
};
HWND FitTextFixture::host = nullptr;

using FitText = FitTextFixture;
using FitTextJa = FitTextFixture;

TEST_F(FitText, NarrowTextIsSetUnchangedAndEmptyStaysEmpty) {
    EXPECT_EQ(Fit("Kestrel K7"), "Kestrel K7");
    EXPECT_EQ(Fit(""), "");
}

TEST_F(FitText, TextExactlyAsWideAsTheControlIsShortened) {
    std::string text = "Quarterly report.doc";
    SetClientWidth(Width(text));
    std::string fitted = Fit(text);
    EXPECT_NE(fitted, text);
    EXPECT_EQ(fitted, Expected(text, Width(text)));
    EXPECT_LT(Width(fitted), Width(text));
    SetClientWidth(Width(text) + 1);
    EXPECT_EQ(Fit(text), text);
}

TEST_F(FitText, LongTextIsCutAtTheEndWithAnEllipsis) {
    std::string text = "A very long document name that cannot fit into the label.txt";
    SetClientWidth(120);
    std::string fitted = Fit(text);
    EXPECT_EQ(fitted, Expected(text, 120));
    ASSERT_GT(fitted.size(), 3u);
    EXPECT_EQ(fitted.substr(fitted.size() - 3), "...");
    EXPECT_EQ(text.compare(0, fitted.size() - 3, fitted, 0, fitted.size() - 3), 0);
}

TEST_F(FitText, ControlNarrowerThanTheEllipsisShowsTheEllipsis) {
    SetClientWidth(Width("...") - 1);
    EXPECT_EQ(Fit("Document"), "...");
    SetClientWidth(0);
    EXPECT_EQ(Fit("Document"), "...");
}

TEST_F(FitTextJa, DoubleByteTextIsNeverCutInsideACharacter) {
    ASSERT_EQ(::GetACP(), 932u);
    // "Checking the printer status" in Japanese, as Shift-JIS bytes.
    const wchar_t wide[] = L"\u30D7\u30EA\u30F3\u30BF\u306E\u72B6\u614B\u3092\u78BA\u8A8D"
                           L"\u3057\u3066\u3044\u307E\u3059";
    char bytes[64] = {};
    ASSERT_GT(::WideCharToMultiByte(932, 0, wide, -1, bytes, sizeof bytes, nullptr, nullptr), 0);
    std::string text = bytes;
    ASSERT_EQ(text.size(), 30u);
    for (int width : {40, 61, 77, 90, 133}) {
        SetClientWidth(width);
        std::string fitted = Fit(text);
        ASSERT_GE(fitted.size(), 3u);
        std::string prefix = fitted.substr(0, fitted.size() - 3);
        EXPECT_EQ(fitted, Expected(text, width)) << width;
        EXPECT_EQ(prefix.size() % 2, 0u) << "every character is two bytes";
        EXPECT_EQ(text.compare(0, prefix.size(), prefix), 0);
        EXPECT_GT(::MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, fitted.c_str(), -1, nullptr, 0),
                  0);
    }
}

} // namespace
