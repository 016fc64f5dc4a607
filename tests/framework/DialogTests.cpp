#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/CButton.h"
#include "framework/CDialog.h"
#include "framework/CStatic.h"

namespace {

// A top-level window that records what the modal loop does to it.
struct OwnerLog {
    int enterIdle = 0;
    HWND enterIdleDialog = nullptr;
    int activations = 0;
    bool dialogVisibleAtActivation = false;
    HWND dialog = nullptr;
};
OwnerLog g_owner;

LRESULT CALLBACK OwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ENTERIDLE: {
        if (wParam == MSGF_DIALOGBOX) {
            ++g_owner.enterIdle;
            g_owner.enterIdleDialog = reinterpret_cast<HWND>(lParam);
        }
        return 0;
    }
    case WM_ACTIVATE: {
        if (LOWORD(wParam) != WA_INACTIVE && g_owner.dialog) {
            ++g_owner.activations;
            g_owner.dialogVisibleAtActivation = ::IsWindowVisible(g_owner.dialog) != FALSE;
        }
        break;
    }
    }
    return ::DefWindowProcA(hwnd, message, wParam, lParam);
}

HWND MakeOwner(const char* title, int x) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = OwnerProc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = "PqifFrameworkOwner";
        ::RegisterClassA(&wc);
        registered = true;
    }
    HWND hwnd =
        ::CreateWindowExA(0, "PqifFrameworkOwner", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, 400,
                          200, 150, nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    ::SetForegroundWindow(hwnd);
    ::SetActiveWindow(hwnd);
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        ::DispatchMessageA(&msg);
    return hwnd;
}

// Owners are kept for the whole program: Wine takes its time to unmap a window.
HWND SharedOwner() {
    static HWND owner = MakeOwner("owner", 600);
    ::EnableWindow(owner, TRUE);
    ::SetForegroundWindow(owner);
    ::SetActiveWindow(owner);
    g_owner = OwnerLog{};
    return owner;
}

// What a test dialog saw while it ran.
struct Seen {
    bool ownerEnabledAtInit = true;
    bool controlBound = false;
    std::vector<LPARAM> kicks;
    bool visibleAtFirstKick = false;
    HWND foregroundAtFirstKick = nullptr;
    HWND activeAtFirstKick = nullptr;
    int showMessages = 0;
    bool visibleAtApp = false;
};

class TestDialog : public CDialog {
public:
    TestDialog(UINT id, HWND owner) : CDialog(id, owner) {}

    HWND watchedOwner = nullptr;
    int endAtKick = 0;   // EndDialog(result) at this WM_KICKIDLE (1 = first), 0 never
    int kicksWanted = 0; // WM_KICKIDLE answers non-zero while lParam is below this
    int result = 42;
    bool endInInit = false;
    BOOL initResult = TRUE; // FALSE: no default focus, which would activate the dialog
    bool quitInInit = false;
    bool postSysTimer = false;
    UINT_PTR endTimer = 0; // ends at this timer, when set
    std::vector<std::pair<UINT, WPARAM>> postToEdit;
    Seen seen;
    CButton okButton;
    CStatic label;

protected:
    void DoDataExchange(CDataExchange* dx) override {
        CDialog::DoDataExchange(dx);
        DDX_Control(dx, IDOK, okButton);
        if (GetDlgItem(301))
            DDX_Control(dx, 301, label);
    }
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        g_owner.dialog = m_hWnd;
        seen.ownerEnabledAtInit = watchedOwner ? ::IsWindowEnabled(watchedOwner) != FALSE : true;
        seen.controlBound = okButton.m_hWnd == GetDlgItem(IDOK);
        for (auto& m : postToEdit)
            ::PostMessageA(GetDlgItem(300), m.first, m.second, 0);
        if (endTimer)
            SetTimer(endTimer, 50);
        if (postSysTimer)
            PostMessage(0x0118);
        if (quitInInit)
            ::PostQuitMessage(7);
        if (endInInit)
            EndDialog(result);
        return initResult;
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
        case WM_KICKIDLE: {
            return OnKickIdle(lParam);
        }
        case WM_SHOWWINDOW: {
            if (wParam)
                ++seen.showMessages;
            break;
        }
        case WM_TIMER: {
            if (wParam == endTimer) {
                KillTimer(endTimer);
                EndDialog(result);
                return 0;
            }
            break;
        }
        case 0x0118: {
            PostMessage(WM_APP);
            return 0;
        }
        case WM_APP: {
            seen.visibleAtApp = IsWindowVisible() != FALSE;
            return 0;
        }
        }
        return CDialog::WindowProc(message, wParam, lParam);
    }

private:
    LRESULT OnKickIdle(LPARAM count) {
        if (seen.kicks.empty()) {
            seen.visibleAtFirstKick = IsWindowVisible() != FALSE;
            seen.foregroundAtFirstKick = ::GetForegroundWindow();
            seen.activeAtFirstKick = ::GetActiveWindow();
        }
        seen.kicks.push_back(count);
        if (endAtKick && static_cast<int>(seen.kicks.size()) == endAtKick)
            EndDialog(result);
        return count < kicksWanted ? 1 : 0;
    }
};

// The progress meter's way: the framework's loop, shown without activation.
class NoActivateDialog : public TestDialog {
public:
    using TestDialog::TestDialog;
    INT_PTR DoModal() override { return RunModal(SW_SHOWNOACTIVATE); }
};

// Swallows Escape before the dialog manager sees it.
class NoEscapeDialog : public TestDialog {
public:
    using TestDialog::TestDialog;
    BOOL PreTranslateMessage(MSG* msg) override {
        if (msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE)
            return TRUE;
        return TestDialog::PreTranslateMessage(msg);
    }
};

TEST(ModalLoop, DisablesTheOwnerShowsOnIdleAndRestoresEverythingAfterwards) {
    HWND owner = SharedOwner();
    TestDialog dialog(200, owner);
    dialog.watchedOwner = owner;
    dialog.endAtKick = 1;
    EXPECT_EQ(dialog.DoModal(), 42);

    EXPECT_FALSE(dialog.seen.ownerEnabledAtInit);
    EXPECT_TRUE(dialog.seen.controlBound);
    EXPECT_TRUE(dialog.seen.visibleAtFirstKick);
    EXPECT_EQ(dialog.seen.foregroundAtFirstKick, g_owner.dialog) << "shown normally: activated";
    EXPECT_EQ(g_owner.enterIdle, 1);
    EXPECT_EQ(g_owner.enterIdleDialog, g_owner.dialog);

    EXPECT_TRUE(::IsWindowEnabled(owner));
    EXPECT_EQ(::GetActiveWindow(), owner);
    EXPECT_GE(g_owner.activations, 1);
    EXPECT_FALSE(g_owner.dialogVisibleAtActivation) << "hidden before the owner is activated";
    EXPECT_EQ(dialog.m_hWnd, nullptr);
    EXPECT_FALSE(::IsWindow(g_owner.dialog));
    EXPECT_EQ(dialog.okButton.m_hWnd, nullptr) << "bound controls come off with the window";
}

TEST(ModalLoop, KicksIdleWhileTheDialogAsksAndHonoursNoIdleMessages) {
    HWND owner = SharedOwner();
    TestDialog dialog(200, owner);
    dialog.kicksWanted = 3;
    dialog.endTimer = 77;
    EXPECT_EQ(dialog.DoModal(), 42);
    ASSERT_GE(dialog.seen.kicks.size(), 4u);
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(dialog.seen.kicks[i], static_cast<LPARAM>(i));
    EXPECT_GE(g_owner.enterIdle, 1);

    owner = SharedOwner();
    TestDialog quiet(201, owner);
    quiet.endAtKick = 1;
    EXPECT_EQ(quiet.DoModal(), 42);
    EXPECT_EQ(g_owner.enterIdle, 0);
    EXPECT_EQ(quiet.seen.kicks.size(), 1u);
}

TEST(ModalLoop, QuitEndsTheLoopWithMinusOneAndIsPostedAgain) {
    HWND owner = SharedOwner();
    TestDialog dialog(200, owner);
    dialog.quitInInit = true;
    EXPECT_EQ(dialog.DoModal(), -1);
    MSG msg;
    ASSERT_TRUE(::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_TRUE(::IsWindowEnabled(owner));
    EXPECT_EQ(dialog.m_hWnd, nullptr);
}

TEST(ModalLoop, EndDialogDuringSetUpNeverShowsTheWindow) {
    HWND owner = SharedOwner();
    TestDialog dialog(200, owner);
    dialog.endInInit = true;
    dialog.result = IDCANCEL;
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.seen.showMessages, 0);
    EXPECT_TRUE(dialog.seen.kicks.empty());
    EXPECT_TRUE(::IsWindowEnabled(owner));
}

TEST(ModalLoop, MissingTemplateFailsWithoutTouchingTheOwner) {
    HWND owner = SharedOwner();
    TestDialog dialog(999, owner);
    EXPECT_EQ(dialog.DoModal(), -1);
    EXPECT_TRUE(::IsWindowEnabled(owner));
}

TEST(ModalLoop, WithoutAnOwnerTheActiveWindowIsDisabled) {
    HWND owner = SharedOwner();
    TestDialog dialog(200, nullptr);
    dialog.watchedOwner = owner;
    dialog.endAtKick = 1;
    EXPECT_EQ(dialog.DoModal(), 42);
    EXPECT_FALSE(dialog.seen.ownerEnabledAtInit);
    EXPECT_TRUE(::IsWindowEnabled(owner));
}

TEST(ModalLoop, KeysReachPreTranslateMessageFromChildControls) {
    HWND owner = SharedOwner();
    TestDialog plain(200, owner);
    plain.postToEdit = {{WM_KEYDOWN, VK_ESCAPE}};
    plain.endTimer = 78;
    EXPECT_EQ(plain.DoModal(), IDCANCEL) << "the dialog manager turns Escape into IDCANCEL";

    NoEscapeDialog swallowing(200, SharedOwner());
    swallowing.postToEdit = {{WM_KEYDOWN, VK_ESCAPE}};
    swallowing.endTimer = 79;
    EXPECT_EQ(swallowing.DoModal(), 42);

    NoEscapeDialog returning(200, SharedOwner());
    returning.postToEdit = {{WM_KEYDOWN, VK_ESCAPE}, {WM_KEYDOWN, VK_RETURN}};
    returning.endTimer = 80;
    EXPECT_EQ(returning.DoModal(), IDOK) << "Return presses the default button";
}

TEST(ModalLoop, DerivedShowStepKeepsTheForegroundWindow) {
    HWND owner = SharedOwner();
    ASSERT_EQ(::GetForegroundWindow(), owner);
    NoActivateDialog meter(200, nullptr);
    meter.initResult = FALSE;
    meter.endAtKick = 1;
    EXPECT_EQ(meter.DoModal(), 42);
    EXPECT_TRUE(meter.seen.visibleAtFirstKick);
    EXPECT_EQ(meter.seen.foregroundAtFirstKick, owner);
    EXPECT_NE(meter.seen.activeAtFirstKick, g_owner.dialog);
}

TEST(ModalLoop, SystemTimerMessageShowsTheDialogBeforeTheQueueIsIdle) {
    for (bool noActivate : {false, true}) {
        HWND owner = SharedOwner();
        TestDialog normal(200, owner);
        NoActivateDialog meter(200, owner);
        TestDialog& dialog = noActivate ? meter : normal;
        dialog.initResult = noActivate ? FALSE : TRUE;
        dialog.postSysTimer = true;
        dialog.endAtKick = 1;
        EXPECT_EQ(dialog.DoModal(), 42);
        EXPECT_TRUE(dialog.seen.visibleAtApp) << "noActivate " << noActivate;
        EXPECT_EQ(dialog.seen.foregroundAtFirstKick == owner, noActivate);
    }
}

} // namespace
