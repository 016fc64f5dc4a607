// What a monitor window costs while it waits, and whether it gives back what it
// takes. Runs a real window on the demo installation and the simulated printer:
//  - idle: a progress meter with a queued job that does not print yet, and a
//    detail view polling a ready printer, each with its real timers for a
//    while; CPU time of the process and the messages taken from the queue
//    (wake-ups), per minute;
//  - soak: 10,000 status ticks over changing printer states (text, pictures,
//    ink marks and animations change), with GDI and USER objects, handles and
//    private bytes before and after.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>

#include "companions/install/DemoModel.h"
#include "companions/install/Installation.h"
#include "companions/klapi/SimStore.h"
#include "device/KLApiBinding.h"
#include "exports/StatusLibraryApp.h"
#include "framework/ResourceModule.h"
#include "jobs/JobMonitor.h"
#include "support/Registry.h"
#include "tests/jobs/FakePrintManager.h"
#include "tests/common/ProcessUsage.h"
#include "tests/monitor/MonitorHarness.h"

namespace {

std::string ProgramDir() {
    char path[MAX_PATH] = {};
    DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path, length);
    return dir.substr(0, dir.find_last_of('\\'));
}

double CpuSeconds() {
    FILETIME created, exited, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto seconds = [](const FILETIME& t) {
        return (static_cast<double>(t.dwHighDateTime) * 4294967296.0 + t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

// Messages this thread takes from its queue: each one is a wake-up.
LONG g_messages = 0;
LRESULT CALLBACK CountMessages(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && wParam == PM_REMOVE)
        ++g_messages;
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

struct Setup {
    std::string settings;
    HINSTANCE resources;
    HMODULE ink;
};

const std::string kReady = "@BDC ST\r\nST:04;IQ:5A4B3C2D1E64;\x0C";

int RunIdle(const Setup& setup, int view, int seconds, const char* label) {
    simstore::SimPrinter printer(demo::PrinterName);
    printer.SetBytes(simstore::ReplyValue, kReady);
    auto pm = std::make_shared<FakePrintManager>();
    auto spooler = std::make_shared<FakeSpooler>();
    JobMonitor jobs([pm] { return std::make_unique<FakeClient>(pm); }, spooler,
                    JobMonitorTiming{1000, 10});
    jobs.SetPrinter(demo::PrinterName, demo::PortName);
    if (view == VIEW_PROGRESS) {
        FakeJob waiting; // queued behind another application's job: nothing prints
        waiting.spoolerId = 7;
        FakeJob foreign;
        foreign.spoolerId = 900;
        pm->Add(foreign);
        pm->Add(waiting);
        spooler->Learn(7);
        jobs.AddJob(7);
    }
    KLApiBinding binding;
    TestMonitorDlg dialog;
    dialog.m_bStatusTimerOn = 1;
    dialog.m_bProgressTimerOn = 1;
    dialog.m_StartView = view;
    dialog.m_pBinding = &binding;
    dialog.m_pJobMonitor = &jobs;
    dialog.m_hResource = setup.resources;

    double cpu = 0;
    LONG messages = 0;
    HHOOK hook = ::SetWindowsHookExA(WH_GETMESSAGE, CountMessages, nullptr, ::GetCurrentThreadId());
    RunWithScript(
        dialog,
        [&] {
            return dialog.Run(demo::PrinterName, demo::PortName, demo::Model,
                              setup.settings.c_str(), nullptr);
        },
        [&](TestMonitorDlg&) {
            ::Sleep(3000); // set-up and the first ticks
            const double cpuStart = CpuSeconds();
            const LONG start = g_messages;
            ::Sleep(static_cast<DWORD>(seconds) * 1000);
            cpu = CpuSeconds() - cpuStart;
            messages = g_messages - start;
        });
    ::UnhookWindowsHookEx(hook);
    pm->With([](FakePrintManager& p) {
        for (FakeJob& job : p.jobs)
            job.active = false;
    });
    spooler->ForgetAll();
    const double perMinute = 60.0 / seconds;
    std::printf("%-40s CPU %7.1f ms/min   wake-ups %6.1f /min\n", label, cpu * 1000 * perMinute,
                messages * perMinute);
    return 0;
}

int RunSoak(const Setup& setup, int ticks) {
    simstore::SimPrinter printer(demo::PrinterName);
    const std::string states[] = {
        kReady,
        "@BDC ST\r\nST:00;ER:06;IQ:5A4B3C2D1E64;\x0C",       // paper out
        "@BDC ST\r\nST:04;WR:11;IQ:5A0A3C2D1E64;\x0C",       // cyan low
        "@BDC ST\r\nST:00;ER:05;IQ:5A003C2D1E64;\x0C",       // cyan out
        "@BDC ST\r\nST:00;ER:02;IQ:5A4B3C2D1E64;\x0C",       // cover open
        "@BDC ST\r\nST:04;WR:10;WR:12;IQ:5A4B0A2D1E64;\x0C", // magenta low
        "garbage",                                           // unreadable
    };
    auto pm = std::make_shared<FakePrintManager>();
    auto spooler = std::make_shared<FakeSpooler>();
    JobMonitor jobs([pm] { return std::make_unique<FakeClient>(pm); }, spooler);
    jobs.SetPrinter(demo::PrinterName, demo::PortName);
    KLApiBinding binding;
    TestMonitorDlg dialog;
    dialog.m_StartView = VIEW_DETAIL;
    dialog.m_pBinding = &binding;
    dialog.m_pJobMonitor = &jobs;
    dialog.m_hResource = setup.resources;

    ProcessUsage before;
    ProcessUsage after;
    int done = 0;
    RunWithScript(
        dialog,
        [&] {
            return dialog.Run(demo::PrinterName, demo::PortName, demo::Model,
                              setup.settings.c_str(), nullptr);
        },
        [&](TestMonitorDlg& d) {
            auto batch = [&](int count) {
                d.Do([&](TestMonitorDlg& w) {
                    for (int i = 0; i < count; ++i, ++done) {
                        printer.SetBytes(simstore::ReplyValue, states[done % 7]);
                        w.StatusTick();
                    }
                });
                ::Sleep(30); // queued notices and animation steps run in between
            };
            for (int i = 0; i < 100; ++i)
                batch(1); // warm-up: every state and picture once
            before = MeasureProcess();
            while (done < ticks + 100)
                batch(50);
            ::Sleep(500);
            after = MeasureProcess();
        });
    std::printf("%d status ticks over %d states:\n", done - 100, 7);
    if (GdiCountWorks())
        std::printf("  GDI objects   %6lu -> %6lu   (%s)\n", before.gdi, after.gdi,
                    after.gdiSource);
    else
        std::printf("  GDI objects   not countable here\n");
    std::printf("  USER objects  %6lu -> %6lu   (windows, where GetGuiResources gives 0)\n",
                before.user, after.user);
    std::printf("  handles       %6lu -> %6lu\n", before.handles, after.handles);
    std::printf("  private bytes %6lu KiB -> %6lu KiB\n",
                static_cast<unsigned long>(before.privateBytes / 1024),
                static_cast<unsigned long>(after.privateBytes / 1024));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const int ticks = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int idleSeconds = argc > 2 ? std::atoi(argv[2]) : 30;
    const std::string bin = ProgramDir();
    std::string error;
    if (!install::Install(bin, bin + "\\sounds", &error)) {
        std::fprintf(stderr, "monitor_soak: %s\n", error.c_str());
        return 1;
    }
    Setup setup;
    {
        Registry profile(HKEY_LOCAL_MACHINE, demo::ProfileKey);
        setup.settings = profile.GetString(demo::Model, "", 260);
    }
    setup.resources = ::LoadLibraryA((bin + "\\KVRRES_EN.DLL").c_str());
    setup.ink = ::LoadLibraryA((bin + "\\KVRINK.DLL").c_str());
    if (!setup.resources || !setup.ink) {
        std::fprintf(stderr, "monitor_soak: resource or ink library missing\n");
        return 1;
    }
    AfxSetResourceHandle(setup.resources);
    IdleInterval = CMonitorDlg::GetIdleInterval();

    std::printf("== Idle cost over %d s each (status every %d s while idle)\n", idleSeconds,
                IdleInterval.load());
    RunIdle(setup, VIEW_PROGRESS, idleSeconds, "progress meter, job queued, not printing");
    RunIdle(setup, VIEW_DETAIL, idleSeconds, "detail view polling a ready printer");
    std::printf("\n== Soak\n");
    RunSoak(setup, ticks);

    std::string removedFrom;
    install::Remove(&removedFrom, &error);
    return 0;
}
