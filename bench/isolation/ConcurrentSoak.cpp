// Four monitor windows at once, for two printers in two languages, each on a
// host thread of its own through the library's export table: every window is
// given N status ticks (default 10,000) while the printers change state. GDI
// and USER objects, handles, threads and private bytes before and after.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "companions/install/DemoModel.h"
#include "companions/install/Installation.h"
#include "companions/klapi/SimStore.h"
#include "support/Registry.h"
#include "tests/common/HostUsage.h"

namespace {

using ShowFn = LONG(WINAPI*)(const char*, const char*, const char*, const char*, const char*);

constexpr const char* kSecondPrinter = "Kestrel_K7_Two";
constexpr UINT_PTR kStatusTimer = 8;

const char* const kStates[] = {
    "@BDC ST\r\nST:04;IQ:5A4B3C2D1E64;\x0C",       // ready
    "@BDC ST\r\nST:04;WR:11;IQ:5A0A3C2D1E64;\x0C", // cyan low
    "@BDC ST\r\nST:00;ER:06;IQ:5A4B3C2D1E64;\x0C", // paper out
    "@BDC ST\r\nST:00;ER:02;IQ:5A4B3C2D1E64;\x0C", // cover open
};

std::string ExeDir() {
    char path[MAX_PATH] = {};
    DWORD length = ::GetModuleFileNameA(nullptr, path, sizeof path);
    std::string dir(path, length);
    return dir.substr(0, dir.find_last_of('\\'));
}

std::string DriverKey(const char* printer) {
    return std::string("software\\VORNE\\KVR7\\Driver\\") + printer;
}

std::string TargetKey(const char* printer) {
    return std::string(demo::PrinterTargetsKey) + "\\" + printer;
}

bool InstallSecondPrinter() {
    Registry driver(HKEY_LOCAL_MACHINE, DriverKey(kSecondPrinter).c_str(), true);
    Registry target(HKEY_CURRENT_USER, TargetKey(kSecondPrinter).c_str(), true);
    bool written = true;
    for (const demo::IntSetting& setting : demo::MonitorDefaults())
        written = target.SetDword(setting.key, static_cast<DWORD>(setting.value)) && written;
    return written && driver.SetString("InstallPath", ExeDir().c_str()) &&
           driver.SetString("ModelID", demo::Model) && target.SetString("Name", kSecondPrinter) &&
           simstore::SimPrinter(kSecondPrinter).Add(demo::Model);
}

void RemoveSecondPrinter() {
    simstore::SimPrinter(kSecondPrinter).Remove();
    Registry(HKEY_CURRENT_USER, demo::PrinterTargetsKey, false, KEY_ALL_ACCESS)
        .DeleteKey(kSecondPrinter);
    Registry(HKEY_LOCAL_MACHINE, "software\\VORNE\\KVR7\\Driver", false, KEY_ALL_ACCESS)
        .DeleteKey(kSecondPrinter);
}

BOOL CALLBACK MonitorDialog(HWND hwnd, LPARAM param) {
    char name[16] = {};
    ::GetClassNameA(hwnd, name, sizeof name);
    if (std::strcmp(name, "#32770") != 0 || ::GetParent(hwnd) || !::IsWindowVisible(hwnd))
        return TRUE;
    *reinterpret_cast<HWND*>(param) = hwnd;
    return FALSE;
}

HWND WaitForWindow(DWORD threadId) {
    for (int i = 0; i < 1500; ++i) {
        HWND found = nullptr;
        ::EnumThreadWindows(threadId, MonitorDialog, reinterpret_cast<LPARAM>(&found));
        if (found)
            return found;
        ::Sleep(20);
    }
    return nullptr;
}

struct Launch {
    ShowFn detail;
    std::string printer;
    std::string resources;
    std::string settings;
    std::atomic<LONG> result{-100};
};

DWORD WINAPI RunWindow(LPVOID param) {
    auto* launch = static_cast<Launch*>(param);
    launch->result.store(launch->detail(launch->printer.c_str(), demo::PortName, demo::Model,
                                        launch->settings.c_str(), launch->resources.c_str()));
    return 0;
}

void Print(const char* when, const HostUsage& usage, bool gdiCounted) {
    char gdi[16] = "n/a";
    if (gdiCounted)
        std::snprintf(gdi, sizeof gdi, "%lu", usage.gdi);
    std::printf("  %-7s GDI %5s  windows %4lu  handles %5lu  threads %3lu  private %7lu KiB\n",
                when, gdi, usage.user, usage.handles, usage.threads,
                static_cast<unsigned long>(usage.privateBytes / 1024));
}

// Runs the four windows and gives each ticks status ticks; false when one
// did not open or its export did not return.
bool RunRound(ShowFn detail, const std::string& settings, int ticks, double* seconds,
              HostUsage* during = nullptr) {
    const char* printers[] = {demo::PrinterName, kSecondPrinter, demo::PrinterName, kSecondPrinter};
    const char* libraries[] = {"KVRRES_EN.DLL", "KVRRES_JA.DLL", "KVRRES_JA.DLL", "KVRRES_EN.DLL"};
    std::vector<Launch> launches(4);
    HANDLE threads[4] = {};
    HWND windows[4] = {};
    bool ok = true;
    for (int i = 0; i < 4; ++i) {
        launches[i].detail = detail;
        launches[i].printer = printers[i];
        launches[i].resources = ExeDir() + "\\" + libraries[i];
        launches[i].settings = settings;
        DWORD id = 0;
        threads[i] = ::CreateThread(nullptr, 0, RunWindow, &launches[i], 0, &id);
        windows[i] = threads[i] ? WaitForWindow(id) : nullptr;
        ok = ok && windows[i];
    }
    if (during)
        *during = MeasureHostUsage();
    const auto start = std::chrono::steady_clock::now();
    // One driver per window, so that the four tick at the same time.
    std::vector<std::thread> drivers;
    std::atomic<int> tick{0};
    for (int i = 0; i < 4; ++i) {
        drivers.emplace_back([&, i] {
            for (int n = 0; n < ticks && windows[i]; ++n) {
                DWORD_PTR answer = 0;
                if (!::SendMessageTimeoutA(windows[i], WM_TIMER, kStatusTimer, 0, SMTO_NORMAL,
                                           20000, &answer))
                    break;
                if (i == 0 && n % 250 == 0) {
                    int state = tick.fetch_add(1) % 4;
                    simstore::SimPrinter(demo::PrinterName)
                        .SetBytes(simstore::ReplyValue, std::string(kStates[state]));
                    simstore::SimPrinter(kSecondPrinter)
                        .SetBytes(simstore::ReplyValue, std::string(kStates[(state + 1) % 4]));
                }
            }
        });
    }
    for (std::thread& driver : drivers)
        driver.join();
    *seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    for (int i = 3; i >= 0; --i) {
        if (windows[i])
            ::PostMessageA(windows[i], WM_CLOSE, 0, 0);
        if (threads[i]) {
            ok = ok && ::WaitForSingleObject(threads[i], 60000) == WAIT_OBJECT_0 &&
                 launches[i].result.load() == 0;
            ::CloseHandle(threads[i]);
        }
    }
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    const int ticks = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    std::string error;
    if (!install::Install(ExeDir(), ExeDir() + "\\sounds", &error) || !InstallSecondPrinter()) {
        std::printf("concurrent soak: cannot install: %s\n", error.c_str());
        return 1;
    }
    std::string settings =
        Registry(HKEY_LOCAL_MACHINE, demo::ProfileKey).GetString(demo::Model, "", 260);
    HMODULE library = ::LoadLibraryA((ExeDir() + "\\V_PQIF07.dll").c_str());
    auto detail =
        library ? reinterpret_cast<ShowFn>(::GetProcAddress(library, "PrStartKVR_D")) : nullptr;
    int status = 1;
    if (detail) {
        double seconds = 0;
        // A short round first, so that what Wine keeps after first use is not counted.
        bool ok = RunRound(detail, settings, 50, &seconds);
        ::Sleep(500);
        const bool gdiCounted = GdiCountWorks();
        const HostUsage before = MeasureHostUsage();
        HostUsage during;
        ok = RunRound(detail, settings, ticks, &seconds, &during) && ok;
        ::Sleep(1000);
        const HostUsage after = MeasureHostUsage();
        // Two more rounds of fresh windows: what grows with each set of windows.
        double more = 0;
        ok = RunRound(detail, settings, 50, &more) && RunRound(detail, settings, 50, &more) && ok;
        ::Sleep(1000);
        const HostUsage later = MeasureHostUsage();
        std::printf("== Four windows at once (two printers, English and Japanese), %d status "
                    "ticks each: %.1f s, %.0f ticks/s in all\n",
                    ticks, seconds, seconds > 0 ? 4.0 * ticks / seconds : 0.0);
        Print("before", before, gdiCounted);
        Print("open", during, gdiCounted);
        Print("after", after, gdiCounted);
        Print("+2 sets", later, gdiCounted);
        if (!gdiCounted)
            std::printf("  GDI objects are not countable here\n");
        std::printf("  windows %s, every export returned: %s\n",
                    ok ? "all opened" : "NOT all opened", ok ? "yes" : "NO");
        status = ok ? 0 : 1;
    }
    if (library)
        ::FreeLibrary(library);
    RemoveSecondPrinter();
    std::string removedFrom;
    install::Remove(&removedFrom, &error);
    return status;
}
