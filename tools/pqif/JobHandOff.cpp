#include "tools/pqif/JobHandOff.h"

#include <utility>

namespace {
constexpr UINT kAddPrintJob = WM_USER + 5;
constexpr int kProgressBarId = 305;
constexpr DWORD kPollMs = 50;

BOOL CALLBACK FindMonitor(HWND window, LPARAM found) {
    if (!::GetDlgItem(window, kProgressBarId))
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}
} // namespace

JobHandOff::JobHandOff(DWORD windowThread, std::vector<LONG> jobIds)
    : windowThread_(windowThread), jobIds_(std::move(jobIds)) {
    if (!jobIds_.empty())
        worker_ = std::thread([this] { Run(); });
}

JobHandOff::~JobHandOff() {
    stop_ = true;
    if (worker_.joinable())
        worker_.join();
}

HWND JobHandOff::MonitorWindowOf(DWORD thread) {
    HWND found = nullptr;
    ::EnumThreadWindows(thread, FindMonitor, reinterpret_cast<LPARAM>(&found));
    return found;
}

void JobHandOff::Run() {
    while (!stop_) {
        if (HWND window = MonitorWindowOf(windowThread_)) {
            for (LONG id : jobIds_)
                ::PostMessageA(window, kAddPrintJob, 0, static_cast<LPARAM>(id));
            return;
        }
        ::Sleep(kPollMs);
    }
}
