#pragma once
#include <windows.h>

#include <atomic>
#include <thread>
#include <vector>

// Hands further job ids to the monitor window that a launch export runs on
// another thread of this process, once that window exists: message 1029 with
// the spooler job id, as the printing side adds jobs to a running window.
class JobHandOff {
public:
    JobHandOff(DWORD windowThread, std::vector<LONG> jobIds);
    // Stops waiting; the ids not handed over by then are dropped.
    ~JobHandOff();
    JobHandOff(const JobHandOff&) = delete;
    JobHandOff& operator=(const JobHandOff&) = delete;

    // The thread's monitor window (a dialog with the job progress bar), or null.
    static HWND MonitorWindowOf(DWORD thread);

private:
    void Run();

    DWORD windowThread_;
    std::vector<LONG> jobIds_;
    std::atomic<bool> stop_{false};
    std::thread worker_;
};
