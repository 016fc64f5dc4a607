#pragma once
// Drives a real monitor window from a second thread: the window runs its modal
// loop on the test's main thread (as under a launch export), the script thread
// runs steps on the window's thread through a private message and waits for
// each. Timers are off unless a test turns them on, so every tick is a step.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "monitor/MonitorDlg.h"

class TestMonitorDlg : public CMonitorDlg {
public:
    static constexpr UINT WM_RUN_STEP = WM_APP + 77;
    static constexpr UINT WM_MARK = WM_APP + 78; // posted: counted when taken from the queue
    using Step = std::function<void(TestMonitorDlg&)>;

    // Each WM_TIMER of the status or progress timer as it reached the window
    // (window thread only), and when set-up ended (the timers were started).
    struct TimerArrival {
        UINT_PTR id;
        ULONGLONG at;
        bool inTimer; // another tick was running: this one is dropped
    };
    std::vector<TimerArrival> timerArrivals;
    ULONGLONG setUpAt = 0;
    int marksTaken = 0;     // WM_MARK messages handled
    int showAttempts = 0;   // requests to show the window (kept hidden or not)
    RECT templateRect = {}; // the window as its template made it, before any view

    TestMonitorDlg() {
        m_bStatusTimerOn = 0;
        m_bProgressTimerOn = 0;
    }

    HWND Window() const { return window_.load(); }

    // Runs step on the window's thread; false when the window is gone.
    bool Do(const Step& step) {
        HWND hwnd = window_.load();
        if (!hwnd || !::IsWindow(hwnd))
            return false;
        DWORD_PTR answer = 0;
        return ::SendMessageTimeoutA(hwnd, WM_RUN_STEP, 0, reinterpret_cast<LPARAM>(&step),
                                     SMTO_NORMAL, 20000, &answer) != 0;
    }

    // Window-thread access to what the tests look at.
    using CMonitorDlg::CanAutoClose;
    using CMonitorDlg::ClearJob;
    using CMonitorDlg::GetPrinterStatus;
    using CMonitorDlg::GetViewSize;
    using CMonitorDlg::IsNotifyStatus;
    using CMonitorDlg::LoadStoredStatus;
    using CMonitorDlg::PaperSizeName;
    using CMonitorDlg::PlaceWindow;
    using CMonitorDlg::ProgressTick;
    using CMonitorDlg::SetPictureKind;
    using CMonitorDlg::ShowJob;
    using CMonitorDlg::ShowStatus;
    using CMonitorDlg::StatusTick;
    using CMonitorDlg::SwitchView;

    using CMonitorDlg::m_AckStatus;
    using CMonitorDlg::m_Animation;
    using CMonitorDlg::m_bDebug;
    using CMonitorDlg::m_bInTimer;
    using CMonitorDlg::m_bKeepHidden;
    using CMonitorDlg::m_bPrinting;
    using CMonitorDlg::m_bSavePosition;
    using CMonitorDlg::m_bWaitingNotice;
    using CMonitorDlg::m_Channel;
    using CMonitorDlg::m_CurrentJob;
    using CMonitorDlg::m_ErrorNoticeState;
    using CMonitorDlg::m_IdleInterval;
    using CMonitorDlg::m_IndicatorMask;
    using CMonitorDlg::m_JobMapName;
    using CMonitorDlg::m_LastText;
    using CMonitorDlg::m_Picture;
    using CMonitorDlg::m_PictureKind;
    using CMonitorDlg::m_Progress;
    using CMonitorDlg::m_Recovery;
    using CMonitorDlg::m_Reply;
    using CMonitorDlg::m_ShownPictureKind;
    using CMonitorDlg::m_SoundedItem;
    using CMonitorDlg::m_StartView;
    using CMonitorDlg::m_StatusNumber;
    using CMonitorDlg::m_TargetKey;
    using CMonitorDlg::m_View;

protected:
    BOOL OnInitDialog() override {
        // The template's size, before a view resizes the window.
        ::GetWindowRect(m_hWnd, &templateRect);
        BOOL result = CMonitorDlg::OnInitDialog();
        setUpAt = ::GetTickCount64();
        window_.store(m_hWnd);
        return result;
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_RUN_STEP) {
            (*reinterpret_cast<const Step*>(lParam))(*this);
            return 1;
        }
        if (message == WM_MARK) {
            ++marksTaken;
            return 0;
        }
        if (message == WM_WINDOWPOSCHANGING &&
            (reinterpret_cast<const WINDOWPOS*>(lParam)->flags & SWP_SHOWWINDOW))
            ++showAttempts;
        if (message == WM_TIMER && (wParam == StatusTimerId || wParam == ProgressTimerId))
            timerArrivals.push_back({wParam, ::GetTickCount64(), m_bInTimer != 0});
        return CMonitorDlg::WindowProc(message, wParam, lParam);
    }

private:
    std::atomic<HWND> window_{nullptr};
};

// Runs dialog.Run(...) on this thread while script runs on another; the script
// gets the dialog once its window exists (or never, when Run refuses). Returns
// Run's result. The window is closed when the script returns and it still runs.
// *scripted tells whether the script ran.
inline int RunWithScript(TestMonitorDlg& dialog, const std::function<int()>& run,
                         const std::function<void(TestMonitorDlg&)>& script,
                         bool* scripted = nullptr) {
    std::atomic<bool> done{false};
    std::atomic<bool> ran{false};
    std::thread driver([&] {
        auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!dialog.Window() && !done.load() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (!dialog.Window())
            return;
        ran.store(true);
        script(dialog);
        if (!done.load() && ::IsWindow(dialog.Window()))
            ::PostMessageA(dialog.Window(), WM_CLOSE, 0, 0);
    });
    int result = run();
    done.store(true);
    driver.join();
    if (scripted)
        *scripted = ran.load();
    return result;
}

// Waits until condition (evaluated on the window's thread) holds.
inline bool WaitOnWindow(TestMonitorDlg& dialog,
                         const std::function<bool(TestMonitorDlg&)>& condition, int ms = 5000) {
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < until) {
        bool met = false;
        if (!dialog.Do([&](TestMonitorDlg& d) { met = condition(d); }))
            return false;
        if (met)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// Waits until the window has taken everything posted to its thread before this
// call (posted messages are taken in order).
inline bool Settle(TestMonitorDlg& dialog, int ms = 30000) {
    int marks = 0;
    if (!dialog.Do([&](TestMonitorDlg& w) { marks = w.marksTaken; }))
        return false;
    ::PostMessageA(dialog.Window(), TestMonitorDlg::WM_MARK, 0, 0);
    return WaitOnWindow(
        dialog, [&](TestMonitorDlg& w) { return w.marksTaken > marks; }, ms);
}
