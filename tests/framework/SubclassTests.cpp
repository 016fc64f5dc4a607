#include <gtest/gtest.h>

#include "framework/CButton.h"
#include "framework/CWnd.h"

namespace {

class CountingButton : public CButton {
public:
    int getTexts = 0;
    int destroyed = 0;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
        case WM_GETTEXT: {
            ++getTexts;
            break;
        }
        case WM_SETTEXT: {
            // Handled here alone: the original procedure never sees it.
            return TRUE;
        }
        case WM_DESTROY: {
            ++destroyed;
            break;
        }
        }
        return CButton::WindowProc(message, wParam, lParam);
    }
};

HWND MakeButton() {
    return ::CreateWindowExA(0, "BUTTON", "original", WS_POPUP | BS_AUTOCHECKBOX, 0, 0, 80, 20,
                             nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
}

TEST(Subclass, ForwardsToTheObjectAndFallsBackToTheOriginalProcedure) {
    HWND hwnd = MakeButton();
    auto original = ::GetWindowLongPtrA(hwnd, GWLP_WNDPROC);
    CountingButton button;
    ASSERT_TRUE(button.SubclassWindow(hwnd));
    EXPECT_EQ(CWnd::FromHandleAttached(hwnd), &button);
    EXPECT_FALSE(CountingButton().SubclassWindow(hwnd)) << "one object per window";

    EXPECT_EQ(button.GetWindowText(), "original");
    EXPECT_EQ(button.getTexts, 1);
    button.SetWindowText("changed");
    EXPECT_EQ(button.GetWindowText(), "original") << "WM_SETTEXT stopped in WindowProc";
    button.SetCheck(BST_CHECKED);
    EXPECT_EQ(button.GetCheck(), BST_CHECKED) << "the original procedure still works";

    EXPECT_EQ(button.UnsubclassWindow(), hwnd);
    EXPECT_EQ(::GetWindowLongPtrA(hwnd, GWLP_WNDPROC), original);
    EXPECT_EQ(CWnd::FromHandleAttached(hwnd), nullptr);
    char text[32] = {};
    ::GetWindowTextA(hwnd, text, sizeof text);
    EXPECT_EQ(button.getTexts, 2) << "no longer counted";
    ::DestroyWindow(hwnd);
}

TEST(Subclass, DestroyingTheWindowDetachesTheObject) {
    CountingButton button;
    HWND hwnd = MakeButton();
    ASSERT_TRUE(button.SubclassWindow(hwnd));
    ::DestroyWindow(hwnd);
    EXPECT_EQ(button.destroyed, 1);
    EXPECT_EQ(button.m_hWnd, nullptr);
}

TEST(Subclass, AnObjectThatGoesFirstGivesTheWindowBack) {
    HWND hwnd = MakeButton();
    auto original = ::GetWindowLongPtrA(hwnd, GWLP_WNDPROC);
    {
        CountingButton button;
        ASSERT_TRUE(button.SubclassWindow(hwnd));
    }
    EXPECT_EQ(::GetWindowLongPtrA(hwnd, GWLP_WNDPROC), original);
    ::SetWindowTextA(hwnd, "after");
    char text[32] = {};
    ::GetWindowTextA(hwnd, text, sizeof text);
    EXPECT_STREQ(text, "after");
    ::DestroyWindow(hwnd);
}

} // namespace
