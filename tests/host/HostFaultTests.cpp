// The library as a host process meets it: each scenario loads V_PQIF07.dll,
// calls a launch export on a thread of the host's own, does to the window what
// a host or its user may do (quit the thread's loop, close the window while a
// job prints, while the print manager hangs, while the spooler is slow, while
// the setup tool never answers), and unloads the library again. The process
// goes on to the next scenario; after each, the export has returned and the
// process holds no more handles, windows, threads or memory than before.
// Runs against the demo installation, the simulated printer, the in-process
// print manager and the spooler's demo queue.
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>
#include <mmsystem.h>

#include <algorithm>
#include <atomic>
#include <vector>
#include <winternl.h>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>

#include "JobStore.h"
#include "companions/install/DemoModel.h"
#include "companions/install/Installation.h"
#include "companions/klapi/SimStore.h"
#include "framework/Handles.h"
#include "support/Registry.h"
#include "tests/common/ImportPatch.h"
#include "tests/common/ProcessUsage.h"
#include "tests/host/HostHarness.h"
#include "tests/jobs/PmTestSupport.h"
#include "tests/ui/UiTestSupport.h"

namespace {

using namespace host;

// The demo installation, the printer and the print manager's job store, once
// for the program; then every kind of window once, so that what Wine and the
// library set up on first use is not counted as a leak of the first scenario.
class HostEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(install::Install(BinDir(), BinDir() + "\\sounds", &error)) << error;
        printer.Add(demo::Model);
        printer.SetBytes(simstore::ReplyValue, kReady);
        UniquePrinter probe;
        ASSERT_TRUE(::OpenPrinterA(const_cast<char*>(demo::PrinterName), probe.put(), nullptr))
            << "no spooler queue " << demo::PrinterName << ": scripts/cups start";
        // Hosts keep the library loaded between windows; the last scenarios
        // unload it.
        kept = ::LoadLibraryA((BinDir() + "\\V_PQIF07.dll").c_str());
        ASSERT_TRUE(kept);
    }
    void LetLibraryGo() {
        if (kept)
            ::FreeLibrary(kept);
        kept = nullptr;
    }
    void TearDown() override {
        LetLibraryGo();
        printer.ClearScriptedResult("KLGetStatus");
        std::string removedFrom, error;
        install::Remove(&removedFrom, &error);
    }
    PrivateJobStore store;
    simstore::SimPrinter printer{demo::PrinterName};
    HMODULE kept = nullptr;
};
HostEnvironment* g_host = nullptr;

class HostFault : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // The first window of each view, unmeasured.
        for (int view : {2, 3}) {
            Library library;
            ASSERT_TRUE(library.module());
            SpooledJob job("warm-up");
            HostCall call(library.Launch(view, job.id()));
            HWND window = call.Window();
            ASSERT_TRUE(window);
            ::Sleep(1500); // a few ticks of both timers
            ::PostMessageA(window, WM_CLOSE, 0, 0);
            ASSERT_TRUE(call.Returned(30000));
        }
    }
    void SetUp() override {
        g_host->printer.SetBytes(simstore::ReplyValue, kReady);
        g_host->printer.ClearScriptedResult("KLGetStatus");
        SetHang(-1);
        before_ = MeasureProcess();
        handlesBefore_ = HandleValues();
    }
    static std::vector<ULONG_PTR> HandleValues() {
        std::vector<ULONG_PTR> values;
        for (ULONG_PTR value = 4; value < 0x8000; value += 4) {
            DWORD flags = 0;
            if (::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags))
                values.push_back(value);
        }
        return values;
    }
    static std::string TypeOf(ULONG_PTR value) {
        using QueryFn = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
        auto query = reinterpret_cast<QueryFn>(
            ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtQueryObject"));
        alignas(8) BYTE buffer[1024] = {};
        ULONG got = 0;
        if (query(reinterpret_cast<HANDLE>(value), 2, buffer, sizeof buffer, &got) != 0)
            return "?";
        auto* name = reinterpret_cast<UNICODE_STRING*>(buffer);
        std::string text;
        for (int i = 0; i < name->Length / 2; ++i)
            text += static_cast<char>(name->Buffer[i]);
        return text;
    }
    void TearDown() override {
        SetHang(-1);
        ExpectNothingLeft();
    }

    // A call of the print manager that does not come back until cleared (-1).
    static void SetHang(int32_t operation) {
        JobStore jobs;
        JobStore::Access store(jobs);
        if (store)
            store->hangInOperation = operation;
    }
    static uint32_t HeldCalls() {
        JobStore jobs;
        JobStore::Access store(jobs);
        return store ? store->heldCalls : 0;
    }

    // Fails the program for good when the export never returns: a host would hang.
    static void ExpectReturn(HostCall& call, int ms, const char* what) {
        if (!call.Returned(ms)) {
            ADD_FAILURE() << what << ": the export did not return";
            std::fflush(stdout);
            ::ExitProcess(3);
        }
        EXPECT_EQ(call.Result(), 0) << what;
    }

    void ExpectNothingLeft() {
        // Threads of the library end on their own; the rest must be back at once.
        WaitUntil([&] { return MeasureProcess().threads <= before_.threads; }, 15000);
        const ProcessUsage after = MeasureProcess();
        EXPECT_LE(after.threads, before_.threads) << "threads";
        EXPECT_LE(after.user, before_.user) << "windows";
        ExpectNoNewHandles();
        EXPECT_LE(after.gdi, before_.gdi) << "GDI objects (" << after.gdiSource << ")";
        EXPECT_LT(after.privateBytes, before_.privateBytes + 2 * 1024 * 1024) << "private bytes";
        std::printf("  usage: threads %lu->%lu windows %lu->%lu handles %lu->%lu gdi %lu->%lu "
                    "private %lu->%lu KiB\n",
                    before_.threads, after.threads, before_.user, after.user, before_.handles,
                    after.handles, before_.gdi, after.gdi,
                    static_cast<unsigned long>(before_.privateBytes / 1024),
                    static_cast<unsigned long>(after.privateBytes / 1024));
    }

    // Every handle the scenario left open is a finding: a host that opens
    // windows all day would run out of them.
    static std::string Describe(ULONG_PTR value) {
        std::string text = std::to_string(value);
        if (TypeOf(value) == "Thread") {
            const DWORD id = ::GetThreadId(reinterpret_cast<HANDLE>(value));
            text += id == TheHostThread().Id()     ? ", the host thread"
                    : id == ::GetCurrentThreadId() ? ", the test thread"
                                                   : ", thread " + std::to_string(id);
        }
        return text;
    }
    void ExpectNoNewHandles() {
        for (ULONG_PTR value : HandleValues()) {
            if (std::find(handlesBefore_.begin(), handlesBefore_.end(), value) ==
                handlesBefore_.end())
                ADD_FAILURE() << "a " << TypeOf(value) << " handle was left open ("
                              << Describe(value) << ")";
        }
    }

    // The host quits its thread's message loop while the window is open and
    // its status channel is in use.
    void QuitWhileOpen(int view) {
        Library library;
        ASSERT_TRUE(library.module());
        g_host->printer.SetBytes(simstore::ReplyValue, kCyanOut);
        SpooledJob job("quit");
        const DWORD opened = simstore::CallCount("KLOpenChannel");
        const DWORD closed = simstore::CallCount("KLCloseChannel");
        HostCall call(library.Launch(view, job.id()));
        ASSERT_TRUE(call.Window());
        ASSERT_TRUE(WaitUntil([&] { return simstore::CallCount("KLOpenChannel") > opened; }, 20000))
            << "the window opened its status channel";
        call.AskToQuit();
        ExpectReturn(call, 30000, "quit");
        EXPECT_TRUE(call.QuitPassedOn()) << "the quit belongs to the host's own loop";
        EXPECT_GT(simstore::CallCount("KLCloseChannel"), closed) << "the channel was given back";
    }

    ProcessUsage before_;
    std::vector<ULONG_PTR> handlesBefore_;
};

TEST_F(HostFault, QuitWhilePopupIsOpen) {
    QuitWhileOpen(1);
}

TEST_F(HostFault, QuitWhileDetailViewIsOpen) {
    QuitWhileOpen(2);
}

TEST_F(HostFault, QuitWhileProgressMeterIsOpen) {
    QuitWhileOpen(3);
}

TEST_F(HostFault, CloseWhileAJobPrints) {
    Library library;
    SpooledJob job("printing");
    ASSERT_NE(job.id(), 0);
    HostCall call(library.Launch(3, job.id()));
    HWND window = call.Window();
    ASSERT_TRUE(window);
    ASSERT_TRUE(WaitUntil([&] { return ::IsWindowVisible(window) != FALSE; }, 20000))
        << "the meter shows the job";
    const auto closedAt = CloseAndWaitGone(window);
    ExpectReturn(call, 30000, "job printing");
    EXPECT_LT(MsBetween(closedAt, call.ReturnedAt()), kReturnLimitMs)
        << "the export waited for the job";
}

TEST_F(HostFault, CloseWhileThePrintManagerHangs) {
    SpooledJob job("hanging");
    ASSERT_NE(job.id(), 0);
    Clock::time_point closedAt;
    {
        Library library;
        HostCall call(library.Launch(3, job.id()));
        HWND window = call.Window();
        ASSERT_TRUE(window);
        ASSERT_TRUE(WaitUntil([&] { return ::IsWindowVisible(window) != FALSE; }, 20000));
        const uint32_t held = HeldCalls();
        SetHang(10); // IsJobActive never answers
        ASSERT_TRUE(WaitUntil([&] { return HeldCalls() > held; }, 10000));
        closedAt = CloseAndWaitGone(window);
        ExpectReturn(call, 30000, "print manager hangs");
        EXPECT_LT(MsBetween(closedAt, call.ReturnedAt()), kReturnLimitMs);
    }
    SetHang(-1); // the call comes back and the worker that was let go ends
}

// The spooler answers job queries slowly: the window still answers at once
// and closes within the bound.
using GetJobFn = BOOL(WINAPI*)(HANDLE, DWORD, DWORD, LPBYTE, DWORD, LPDWORD);
GetJobFn g_getJob = nullptr;
std::atomic<int> g_slowCalls{0};
std::atomic<int> g_slowCallsDone{0};
BOOL WINAPI SlowGetJob(HANDLE printer, DWORD id, DWORD level, LPBYTE buffer, DWORD size,
                       LPDWORD needed) {
    ++g_slowCalls;
    ::Sleep(4000); // the slow spooler itself
    ++g_slowCallsDone;
    return g_getJob(printer, id, level, buffer, size, needed);
}

TEST_F(HostFault, CloseWhileTheSpoolerIsSlow) {
    SpooledJob job("slow spooler");
    ASSERT_NE(job.id(), 0);
    Library library;
    // Declared after the library: restored before it is let go.
    ImportPatch slow("winspool.drv", "GetJobA", reinterpret_cast<void*>(&SlowGetJob),
                     library.module());
    ASSERT_TRUE(slow.Active());
    g_getJob = slow.Original<GetJobFn>();
    const int calls = g_slowCalls;
    HostCall call(library.Launch(3, job.id()));
    HWND window = call.Window();
    ASSERT_TRUE(window);
    ASSERT_TRUE(WaitUntil([&] { return g_slowCalls > calls; }, 10000))
        << "the job monitor asks the spooler about its job";
    // The window answers while the worker is inside the slow call; it is
    // closed while that call still runs.
    bool stalled = false;
    int answered = 0;
    EXPECT_TRUE(WaitUntil(
        [&] {
            DWORD_PTR answer = 0;
            stalled = !::SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &answer);
            if (!stalled && g_slowCalls > g_slowCallsDone)
                ++answered;
            return stalled || answered >= 20;
        },
        15000));
    EXPECT_FALSE(stalled) << "the window waited for the spooler";
    EXPECT_GT(g_slowCalls.load(), g_slowCallsDone.load()) << "closed during the slow call";
    const auto closedAt = CloseAndWaitGone(window);
    ExpectReturn(call, 30000, "slow spooler");
    EXPECT_LT(MsBetween(closedAt, call.ReturnedAt()), kReturnLimitMs);
    // A worker let go inside the slow call ends after it, before the patch goes.
    WaitUntil([&] { return MeasureProcess().threads <= before_.threads; }, 15000);
}

TEST_F(HostFault, CloseWhileTheSetupToolNeverAnswers) {
    KeyBackup common(HKEY_LOCAL_MACHINE, demo::CommonKey);
    KeyBackup klapi(HKEY_LOCAL_MACHINE, demo::KlapiInfoKey);
    KeyBackup router(HKEY_LOCAL_MACHINE, demo::RouterKey);
    KeyBackup tool(HKEY_CURRENT_USER, kSilentToolKey);
    common.SetDword("KLAPIRECOVER", 1);
    klapi.SetString("InstallDir", (BinDir() + "\\host-silent-tool").c_str());
    router.Clear();
    router.SetString("KLP00", "LPT1:"); // incomplete: the repair is wanted
    g_host->printer.SetScriptedResult("KLGetStatus", -16);
    Library library;
    HostCall call(library.Launch(2));
    HWND window = call.Window();
    ASSERT_TRUE(window);
    ASSERT_TRUE(WaitUntil(
        [] {
            Registry key(HKEY_CURRENT_USER, kSilentToolKey);
            return key.GetDword("Runs", 0) >= 1;
        },
        20000))
        << "the status read failed and the window started the tool";
    DWORD_PTR answer = 0;
    EXPECT_TRUE(::SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &answer));
    const auto closedAt = CloseAndWaitGone(window);
    ExpectReturn(call, 30000, "silent setup tool");
    EXPECT_LT(MsBetween(closedAt, call.ReturnedAt()), kReturnLimitMs);
    g_host->printer.ClearScriptedResult("KLGetStatus");
}

// The host unloads the library while a worker it let go is still inside a
// call of a print manager that hangs: the worker's reference keeps the code
// mapped until the call comes back, and then the library goes. Runs after the
// scenarios that keep the library loaded.
TEST_F(HostFault, UnloadWhileAWorkerIsInAHungCall) {
    g_host->LetLibraryGo();
    SpooledJob job("unload");
    ASSERT_NE(job.id(), 0);
    {
        Library library;
        HostCall call(library.Launch(3, job.id()));
        HWND window = call.Window();
        ASSERT_TRUE(window);
        ASSERT_TRUE(WaitUntil([&] { return ::IsWindowVisible(window) != FALSE; }, 20000));
        const uint32_t held = HeldCalls();
        SetHang(10);
        ASSERT_TRUE(WaitUntil([&] { return HeldCalls() > held; }, 10000));
        ::PostMessageA(window, WM_CLOSE, 0, 0);
        ExpectReturn(call, 30000, "unload");
    }
    EXPECT_NE(::GetModuleHandleA("V_PQIF07.dll"), nullptr)
        << "the worker let go keeps the library's code loaded";
    SetHang(-1);
    EXPECT_TRUE(WaitUntil([] { return !::GetModuleHandleA("V_PQIF07.dll"); }, 15000))
        << "the library goes once the worker has ended";
}

// The host thread loads the library itself, shows a window and unloads it
// again, and then only loads and unloads it; the thread goes on, and nothing
// of either is left in the process. Runs last.
TEST_F(HostFault, LoadAndUnloadOnTheHostThread) {
    g_host->LetLibraryGo();
    {
        HostCall call([] {
            Library library;
            return library.module() ? library.Launch(1)() : -1L;
        });
        HWND window = call.Window();
        ASSERT_TRUE(window);
        CloseAndWaitGone(window);
        ExpectReturn(call, 30000, "popup of a library the host thread loaded");
    }
    HostCall call([] {
        for (int i = 0; i < 3; ++i) {
            Library library;
            if (!library.module())
                return -1L;
        }
        return 0L;
    });
    ExpectReturn(call, 30000, "load and unload");
    EXPECT_EQ(::GetModuleHandleA("V_PQIF07.dll"), nullptr);
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    g_host = new HostEnvironment;
    ::testing::AddGlobalTestEnvironment(g_host);
    return RUN_ALL_TESTS();
}
