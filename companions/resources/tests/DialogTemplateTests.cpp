// Dialog templates 102 and 104 of both language libraries, created for real
// (with the ink library loaded, as the launch does) and examined control by
// control: ids and classes, and a layout in which each view's controls fit.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "ResourceTestSupport.h"

using restest::LoadModule;

namespace {

struct ControlInfo {
    RECT rect; // in dialog client coordinates
    LONG style;
};

struct Collected {
    HWND dialog;
    std::map<int, ControlInfo> controls;
    std::map<int, std::string> classes;
};

BOOL CALLBACK CollectChild(HWND child, LPARAM param) {
    auto* c = reinterpret_cast<Collected*>(param);
    if (GetParent(child) != c->dialog)
        return TRUE;
    char cls[64] = "";
    GetClassNameA(child, cls, sizeof cls);
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, c->dialog, reinterpret_cast<POINT*>(&r), 2);
    const int id = GetDlgCtrlID(child);
    if (id > 0) {
        c->controls[id] = ControlInfo{r, GetWindowLongA(child, GWL_STYLE)};
        c->classes[id] = cls;
    }
    return TRUE;
}

INT_PTR CALLBACK QuietDialog(HWND, UINT msg, WPARAM, LPARAM) {
    return msg == WM_INITDIALOG ? TRUE : FALSE;
}

bool Overlap(const RECT& a, const RECT& b) {
    RECT out;
    return IntersectRect(&out, &a, &b) != FALSE;
}

bool SameClass(const std::string& a, const char* b) {
    return _stricmp(a.c_str(), b) == 0;
}

RECT Grown(RECT r, int width, int height) {
    r.right = std::max(r.right, r.left + width);
    r.bottom = std::max(r.bottom, r.top + height);
    return r;
}

class MonitorTemplate : public ::testing::TestWithParam<restest::Language> {
protected:
    void SetUp() override {
        ink_ = LoadModule("KVRINK.DLL");
        ASSERT_TRUE(ink_);
        lang_ = LoadModule(GetParam().file);
        ASSERT_TRUE(lang_);
    }
    void TearDown() override {
        if (dialog_)
            DestroyWindow(dialog_);
    }
    Collected Create(int id) {
        dialog_ = CreateDialogParamW(lang_.get(), MAKEINTRESOURCEW(id), nullptr, QuietDialog, 0);
        Collected c{dialog_, {}, {}};
        if (dialog_)
            EnumChildWindows(dialog_, CollectChild, reinterpret_cast<LPARAM>(&c));
        return c;
    }
    HWND dialog() const { return dialog_; }

    // Width in pixels a control needs for its own text in the dialog font.
    int TextWidth(int id) const {
        HWND ctl = GetDlgItem(dialog_, id);
        wchar_t text[256] = L"";
        GetWindowTextW(ctl, text, 256);
        HDC dc = GetDC(ctl);
        HGDIOBJ old =
            SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(ctl, WM_GETFONT, 0, 0)));
        SIZE size{};
        GetTextExtentPoint32W(dc, text, lstrlenW(text), &size);
        SelectObject(dc, old);
        ReleaseDC(ctl, dc);
        return size.cx;
    }

private:
    UniqueModule ink_;
    UniqueModule lang_;
    HWND dialog_ = nullptr;
};

} // namespace

TEST_P(MonitorTemplate, HoldsEveryControlWithItsClass) {
    const Collected c = Create(102);
    ASSERT_NE(c.dialog, nullptr) << "template 102 could not be created: " << GetLastError();
    const std::pair<int, const char*> expected[] = {
        {210, "Static"},      {307, "Static"},      {212, "Edit"},        {310, "Button"},
        {IDOK, "Button"},     {300, "Static"},      {301, "Static"},      {302, "Static"},
        {303, "Static"},      {305, "Static"},      {306, "Edit"},        {304, "Static"},
        {308, "Button"},      {309, "Button"},      {311, "Static"},      {314, "KvrInkLevel"},
        {321, "KvrInkLevel"}, {322, "KvrInkLevel"}, {323, "KvrInkLevel"}, {324, "KvrInkLevel"},
        {325, "KvrInkLevel"}, {216, "Static"}};
    for (const auto& [id, cls] : expected) {
        auto it = c.controls.find(id);
        ASSERT_NE(it, c.controls.end()) << "control " << id;
        EXPECT_TRUE(SameClass(c.classes.at(id), cls)) << id << " is a " << c.classes.at(id);
    }
    for (int id : {212, 306}) {
        const LONG style = c.controls.at(id).style;
        EXPECT_TRUE(style & ES_READONLY) << id;
        EXPECT_TRUE(style & ES_MULTILINE) << id;
    }
    const LONG style = GetWindowLongA(c.dialog, GWL_STYLE);
    for (LONG bit : {LONG(WS_POPUP), LONG(WS_CAPTION), LONG(WS_SYSMENU), LONG(WS_MINIMIZEBOX)})
        EXPECT_EQ(style & bit, bit);
    EXPECT_FALSE(style & WS_THICKFRAME) << "the window keeps the size of its view";
}

TEST_P(MonitorTemplate, EachViewsControlsFitWithoutOverlapping) {
    const Collected c = Create(102);
    ASSERT_NE(c.dialog, nullptr);
    auto rect = [&](int id) { return c.controls.at(id).rect; };
    // The pictures take the size of their bitmaps (plus borders) when painted.
    const RECT picture = Grown(rect(210), 109, 86);
    const RECT animation = Grown(rect(304), 100, 85);
    RECT detailText = rect(212);
    detailText.top = rect(210).top;

    const std::vector<std::pair<const char*, std::vector<RECT>>> views = {
        {"popup", {picture, rect(307), rect(212), rect(310)}},
        {"detail", {picture, detailText, rect(IDOK)}},
        {"progress",
         {animation, rect(303), rect(300), rect(301), rect(302), rect(305), rect(306), rect(308),
          rect(309)}},
    };
    const std::vector<RECT> inkArea = {rect(311), rect(314), rect(321), rect(322),
                                       rect(323), rect(324), rect(325)};
    RECT client;
    GetClientRect(c.dialog, &client);
    const RECT marker = rect(216);
    for (const auto& [name, controls] : views) {
        std::vector<RECT> all = controls;
        all.insert(all.end(), inkArea.begin(), inkArea.end());
        for (size_t i = 0; i < all.size(); ++i) {
            // The window's height is taken from the bottom of 216.
            EXPECT_LE(all[i].bottom, marker.bottom) << name << " control " << i;
            EXPECT_LE(all[i].right, client.right) << name << " control " << i;
            for (size_t j = i + 1; j < all.size(); ++j)
                EXPECT_FALSE(Overlap(all[i], all[j])) << name << ": controls " << i << " and " << j;
        }
    }
}

TEST_P(MonitorTemplate, ButtonAndLabelTextsFit) {
    const Collected c = Create(102);
    ASSERT_NE(c.dialog, nullptr);
    for (int id : {310, IDOK, 308, 309, 303, 311}) {
        const RECT r = c.controls.at(id).rect;
        const int margin = SameClass(c.classes.at(id), "Button") ? 8 : 0;
        EXPECT_LE(TextWidth(id) + margin, r.right - r.left) << "control " << id;
    }
}

TEST_P(MonitorTemplate, VersionTemplateHasItsFiveFields) {
    const Collected c = Create(104);
    ASSERT_NE(c.dialog, nullptr) << "template 104 could not be created";
    for (int id = 290; id <= 294; ++id) {
        ASSERT_TRUE(c.controls.count(id)) << id;
        EXPECT_TRUE(SameClass(c.classes.at(id), "Static")) << id;
        // Room for "Ver. " and a version such as 12.0.3.4567.
        HWND ctl = GetDlgItem(dialog(), id);
        SetWindowTextW(ctl, L"Ver. 12.0.3.4567");
        EXPECT_LE(TextWidth(id), c.controls.at(id).rect.right - c.controls.at(id).rect.left) << id;
    }
    ASSERT_TRUE(c.controls.count(IDOK));
    EXPECT_TRUE(SameClass(c.classes.at(IDOK), "Button"));
}

INSTANTIATE_TEST_SUITE_P(Both, MonitorTemplate, ::testing::ValuesIn(restest::kLanguages),
                         [](const auto& info) {
                             return std::string(info.param.language == 0x0411 ? "Japanese"
                                                                              : "English");
                         });

TEST(InkLibrary, ProvidesAGlobalClassOnlyWhileLoaded) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    {
        UniqueModule ink = LoadModule("KVRINK.DLL");
        ASSERT_TRUE(ink);
        ASSERT_TRUE(GetClassInfoExA(nullptr, "KvrInkLevel", &wc));
        EXPECT_TRUE(wc.style & CS_GLOBALCLASS);
    }
    EXPECT_FALSE(GetClassInfoExA(nullptr, "KvrInkLevel", &wc)) << "the class outlived the library";
    // Loading it again registers it again.
    UniqueModule again = LoadModule("KVRINK.DLL");
    ASSERT_TRUE(again);
    EXPECT_TRUE(GetClassInfoExA(nullptr, "KvrInkLevel", &wc));
}
