#pragma once
// A host process as the fault suite and the lifetime benchmark play it: the
// library loaded by path, its launch exports called on one user-interface
// thread of the host's own, spooler jobs of the process's own, and waits for
// conditions with bounds.
#include <windows.h>
#include <winspool.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>

#include "companions/install/DemoModel.h"
#include "framework/Handles.h"
#include "support/Registry.h"
#include "tests/ui/UiTestSupport.h"

namespace host {

using ShowFn = LONG(WINAPI*)(const char*, const char*, const char*, const char*, const char*);
using ProgressFn = LONG(WINAPI*)(const char*, const char*, const char*, const char*, const char*,
                                 LONG);

using Clock = std::chrono::steady_clock;

inline const std::string kCyanOut =
    "@BDC ST\r\nST:00;ER:05;IQ:5A003C2D1E64;\x0C"; // an alert that stays
inline const std::string kReady = "@BDC ST\r\nST:04;IQ:5A4B3C2D1E64;\x0C";
inline constexpr const char* kSilentToolKey = "Software\\PqifTests\\SilentKlapiset";

// The window's end (the window gone) and the export's return may be this far
// apart: the job monitor's bound (twice one second) and room for a loaded machine.
inline constexpr long kReturnLimitMs = 2000 + 1500;

inline bool WaitUntil(const std::function<bool()>& condition, int ms) {
    const auto until = Clock::now() + std::chrono::milliseconds(ms);
    while (!condition()) {
        if (Clock::now() > until)
            return false;
        ::Sleep(10);
    }
    return true;
}

inline long MsBetween(Clock::time_point from, Clock::time_point to) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count());
}

// Closes the window as its user would and tells when it was gone.
inline Clock::time_point CloseAndWaitGone(HWND window) {
    ::PostMessageA(window, WM_CLOSE, 0, 0);
    const auto until = Clock::now() + std::chrono::seconds(30);
    while (::IsWindow(window) && Clock::now() < until)
        ::Sleep(1);
    return Clock::now();
}

inline std::string SettingsFile() {
    Registry profile(HKEY_LOCAL_MACHINE, demo::ProfileKey);
    return profile.GetString(demo::Model, "", 260);
}

// A job of this process's own spooler on the demo queue, which the in-process
// print manager follows (3 sheets, 2 s a sheet). It leaves the spooler when
// the object goes.
class SpooledJob {
public:
    explicit SpooledJob(const char* document) {
        if (!::OpenPrinterA(const_cast<char*>(demo::PrinterName), handle_.put(), nullptr))
            return;
        DOC_INFO_1A info{const_cast<char*>(document), nullptr, const_cast<char*>("RAW")};
        id_ = ::StartDocPrinterA(handle_.get(), 1, reinterpret_cast<BYTE*>(&info));
    }
    ~SpooledJob() {
        if (id_)
            ::EndDocPrinter(handle_.get());
    }
    SpooledJob(const SpooledJob&) = delete;
    SpooledJob& operator=(const SpooledJob&) = delete;
    LONG id() const { return static_cast<LONG>(id_); }

private:
    UniquePrinter handle_;
    DWORD id_ = 0;
};

// The host's user-interface thread: one thread for the whole program, as in a
// host that opens its windows from its main thread, running one task at a time
// between its own messages.
class HostThread {
public:
    static constexpr UINT RunTask = WM_APP + 1;
    static constexpr UINT Stop = WM_APP + 2;
    HostThread() {
        thread_ = std::thread([this] {
            MSG msg;
            ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
            id_ = ::GetCurrentThreadId();
            while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
                if (msg.message == Stop)
                    break;
                if (msg.message == RunTask) {
                    (*reinterpret_cast<std::function<void()>*>(msg.lParam))();
                    continue;
                }
                ::TranslateMessage(&msg);
                ::DispatchMessageA(&msg);
            }
        });
        WaitUntil([&] { return id_.load() != 0; }, 10000);
    }
    ~HostThread() {
        ::PostThreadMessageA(id_, Stop, 0, 0);
        thread_.join();
    }
    DWORD Id() const { return id_; }
    // task must live until it has run.
    void Post(std::function<void()>* task) {
        ::PostThreadMessageA(id_, RunTask, 0, reinterpret_cast<LPARAM>(task));
    }

private:
    std::thread thread_;
    std::atomic<DWORD> id_{0};
};
// The one host thread of the program, made on first use.
inline HostThread& TheHostThread() {
    static HostThread thread;
    return thread;
}

// One launch export called on the host thread. The thread quits its message
// loop (PostQuitMessage from a timer of its own) when asked to.
class HostCall {
public:
    explicit HostCall(std::function<LONG()> call) : call_(std::move(call)) {
        task_ = [this] { Run(); };
        threadId_ = TheHostThread().Id();
        TheHostThread().Post(&task_);
    }
    ~HostCall() {
        // A scenario that failed early leaves its window open: close it.
        if (!returned_) {
            if (HWND window = FindDialog())
                ::PostMessageA(window, WM_CLOSE, 0, 0);
            if (!WaitUntil([&] { return returned_.load(); }, 20000)) {
                std::fflush(stdout);
                ::ExitProcess(3); // the task refers to this object
            }
        }
    }
    HostCall(const HostCall&) = delete;
    HostCall& operator=(const HostCall&) = delete;

    // The monitor window of the host thread, once it exists.
    HWND Window(int ms = 20000) {
        HWND found = nullptr;
        WaitUntil(
            [&] {
                found = FindDialog();
                return found != nullptr || returned_;
            },
            ms);
        return found;
    }
    void AskToQuit() { quitAsked_ = true; }

    bool Returned(int ms) {
        return WaitUntil([&] { return returned_.load(); }, ms);
    }
    LONG Result() const { return result_; }
    bool QuitPassedOn() const { return quitSeen_; }
    Clock::time_point ReturnedAt() const { return returnedAt_; }

private:
    static inline thread_local std::atomic<bool>* quitFlag = nullptr;
    static void CALLBACK QuitTimer(HWND, UINT, UINT_PTR id, DWORD) {
        if (quitFlag && quitFlag->load()) {
            ::KillTimer(nullptr, id);
            ::PostQuitMessage(0);
        }
    }
    static BOOL CALLBACK Visit(HWND hwnd, LPARAM param) {
        char name[32] = {};
        ::GetClassNameA(hwnd, name, sizeof name);
        if (std::string(name) == "#32770") {
            *reinterpret_cast<HWND*>(param) = hwnd;
            return FALSE;
        }
        return TRUE;
    }
    HWND FindDialog() const {
        HWND found = nullptr;
        ::EnumThreadWindows(threadId_, Visit, reinterpret_cast<LPARAM>(&found));
        return found;
    }
    void Run() {
        quitFlag = &quitAsked_;
        UINT_PTR timer = ::SetTimer(nullptr, 0, 20, &HostCall::QuitTimer);
        result_ = call_();
        returnedAt_ = Clock::now();
        ::KillTimer(nullptr, timer);
        MSG msg;
        quitSeen_ = ::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
        quitFlag = nullptr;
        returned_ = true;
    }

    std::function<LONG()> call_;
    std::function<void()> task_;
    DWORD threadId_ = 0;
    std::atomic<bool> quitAsked_{false};
    std::atomic<bool> returned_{false};
    LONG result_ = -100;
    bool quitSeen_ = false;
    Clock::time_point returnedAt_;
};

// The library as the host loads it for one scenario and unloads afterwards.
class Library {
public:
    Library() : module_(::LoadLibraryA((BinDir() + "\\V_PQIF07.dll").c_str())) {
        if (!module_)
            return;
        detail_ = reinterpret_cast<ShowFn>(::GetProcAddress(module_, "PrStartKVR_D"));
        popup_ = reinterpret_cast<ShowFn>(::GetProcAddress(module_, "PrStartKVR_S"));
        progress_ = reinterpret_cast<ProgressFn>(::GetProcAddress(module_, "PrStartKVR_PM"));
    }
    ~Library() {
        if (module_)
            ::FreeLibrary(module_);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    HMODULE module() const { return module_; }

    std::function<LONG()> Launch(int view, LONG job = 0) const {
        const std::string settings = SettingsFile();
        const std::string resources = BinDir() + "\\KVRRES_EN.DLL";
        ShowFn show = view == 1 ? popup_ : detail_;
        ProgressFn progress = progress_;
        return [=] {
            if (view == 3)
                return progress(demo::PrinterName, demo::PortName, demo::Model, settings.c_str(),
                                resources.c_str(), job);
            return show(demo::PrinterName, demo::PortName, demo::Model, settings.c_str(),
                        resources.c_str());
        };
    }

private:
    HMODULE module_ = nullptr;
    ShowFn popup_ = nullptr;
    ShowFn detail_ = nullptr;
    ProgressFn progress_ = nullptr;
};

} // namespace host
