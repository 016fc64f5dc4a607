#pragma once
#include <windows.h>

#include <vector>

// A top-level window with the controls by which the monitor window is known
// (message 212, progress bar 305) and its buttons, for the tools that look for
// it. It records the WM_COMMAND and WM_USER + 5 messages it gets; a pressed
// button disables itself, as the monitor window's buttons do.
class FakeMonitorWindow {
public:
    enum class Look { Popup, Progress, Plain };
    explicit FakeMonitorWindow(Look look, const char* message = "");
    ~FakeMonitorWindow();
    FakeMonitorWindow(const FakeMonitorWindow&) = delete;
    FakeMonitorWindow& operator=(const FakeMonitorWindow&) = delete;

    HWND Handle() const { return window_; }
    HWND Control(int id) const { return ::GetDlgItem(window_, id); }
    const std::vector<int>& Commands() const { return commands_; }
    const std::vector<LPARAM>& AddedJobs() const { return addedJobs_; }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
    std::vector<int> commands_;
    std::vector<LPARAM> addedJobs_;
};

// Dispatches this thread's messages for about ms milliseconds, or until done().
template <typename Done> void PumpUntil(DWORD ms, Done done) {
    const DWORD start = ::GetTickCount();
    while (!done() && ::GetTickCount() - start < ms) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageA(&msg);
        ::Sleep(10);
    }
}
