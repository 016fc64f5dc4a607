// The library as hosts run it, through its export table: several windows on
// several threads in two languages, libraries planted in the current
// directory, and a print manager that answers with lies or not at all. After
// each scenario the host goes on, every export has returned, and the process
// holds no more than before.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "V_PQIF07.h"
#include "companions/install/DemoModel.h"
#include "companions/install/Installation.h"
#include "companions/klapi/SimStore.h"
#include "support/Registry.h"
#include "tests/common/HostUsage.h"
#include "tests/monitor/WaitUntil.h"

#ifdef PQIF_WITH_PRINT_MANAGER
#include "PmTestSupport.h"
#include "jobs/PmClient.h"
#endif

namespace {

using ShowFn = LONG(WINAPI*)(const char*, const char*, const char*, const char*, const char*);
using ProgressFn = LONG(WINAPI*)(const char*, const char*, const char*, const char*, const char*,
                                 LONG);

constexpr const char* kSecondPrinter = "Kestrel_K7_Two";
constexpr const char* kPlantedKey = "Software\\PqifTests\\Planted";
constexpr UINT kMessageControl = 212;
constexpr UINT_PTR kStatusTimer = 8;
const std::string kReady = "@BDC ST\r\nST:04;IQ:5A4B3C2D1E64;\x0C";

std::string ExeDir() {
    char path[MAX_PATH] = {};
    DWORD length = ::GetModuleFileNameA(nullptr, path, sizeof path);
    std::string dir(path, length);
    return dir.substr(0, dir.find_last_of('\\'));
}

// The product's folder: bin, above this program's own.
std::string ProductDir() {
    std::string dir = ExeDir();
    return dir.substr(0, dir.find_last_of('\\'));
}

std::string DriverKey(const char* printer) {
    return std::string("software\\VORNE\\KVR7\\Driver\\") + printer;
}

std::string TargetKey(const char* printer) {
    return std::string(demo::PrinterTargetsKey) + "\\" + printer;
}

// The demo installation in the product's folder, and a second printer of the
// same model on the second CUPS queue.
class Installation : public ::testing::Environment {
public:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(install::Install(ProductDir(), ProductDir() + "\\sounds", &error)) << error;
        Registry driver(HKEY_LOCAL_MACHINE, DriverKey(kSecondPrinter).c_str(), true);
        ASSERT_TRUE(driver.SetString("InstallPath", ProductDir().c_str()));
        EXPECT_TRUE(driver.SetString("ModelID", demo::Model));
        Registry target(HKEY_CURRENT_USER, TargetKey(kSecondPrinter).c_str(), true);
        ASSERT_TRUE(target.SetString("Name", kSecondPrinter));
        for (const demo::IntSetting& setting : demo::MonitorDefaults())
            EXPECT_TRUE(target.SetDword(setting.key, static_cast<DWORD>(setting.value)));
        ASSERT_TRUE(simstore::SimPrinter(kSecondPrinter).Add(demo::Model));
        for (const char* printer : {demo::PrinterName, kSecondPrinter})
            simstore::SimPrinter(printer).SetBytes(simstore::ReplyValue, kReady);
        Registry profile(HKEY_LOCAL_MACHINE, demo::ProfileKey);
        settingsFile = profile.GetString(demo::Model, "", 260);
    }
    void TearDown() override {
        simstore::SimPrinter(kSecondPrinter).Remove();
        Registry(HKEY_CURRENT_USER, demo::PrinterTargetsKey, false, KEY_ALL_ACCESS)
            .DeleteKey(kSecondPrinter);
        Registry(HKEY_LOCAL_MACHINE, "software\\VORNE\\KVR7\\Driver", false, KEY_ALL_ACCESS)
            .DeleteKey(kSecondPrinter);
        std::string removedFrom, error;
        install::Remove(&removedFrom, &error);
    }
    static std::string settingsFile;
};
std::string Installation::settingsFile;

// The library as a host has it: loaded by full path, exports by name.
class Library {
public:
    Library() : module_(::LoadLibraryA((ProductDir() + "\\V_PQIF07.dll").c_str())) {
        if (!module_)
            return;
        detail = reinterpret_cast<ShowFn>(::GetProcAddress(module_, "PrStartKVR_D"));
        progress = reinterpret_cast<ProgressFn>(::GetProcAddress(module_, "PrStartKVR_PM"));
    }
    ~Library() {
        if (module_)
            ::FreeLibrary(module_);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    bool ok() const { return detail && progress; }

    ShowFn detail = nullptr;
    ProgressFn progress = nullptr;

private:
    HMODULE module_;
};

// A host thread that runs one launch export; its end can be waited for with a bound.
class HostThread {
public:
    template <typename F> explicit HostThread(F&& body) : body_(std::forward<F>(body)) {
        handle_ = ::CreateThread(nullptr, 0, &HostThread::Main, this, 0, &id_);
    }
    ~HostThread() {
        if (handle_) {
            // A thread that does not end is the failure reported by Join; the
            // process must not go on with its body running on a dead object.
            if (::WaitForSingleObject(handle_, 60000) != WAIT_OBJECT_0)
                ::TerminateProcess(::GetCurrentProcess(), 99);
            ::CloseHandle(handle_);
        }
    }
    HostThread(const HostThread&) = delete;
    HostThread& operator=(const HostThread&) = delete;

    DWORD Id() const { return id_; }
    bool Join(DWORD ms) const { return ::WaitForSingleObject(handle_, ms) == WAIT_OBJECT_0; }
    LONG Result() const { return result_.load(); }

private:
    static DWORD WINAPI Main(LPVOID self) {
        auto* thread = static_cast<HostThread*>(self);
        thread->result_.store(thread->body_());
        return 0;
    }
    std::function<LONG()> body_;
    std::atomic<LONG> result_{-100};
    HANDLE handle_ = nullptr;
    DWORD id_ = 0;
};

struct WindowSearch {
    bool visibleOnly;
    HWND found;
};

BOOL CALLBACK MonitorDialog(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    char name[16] = {};
    ::GetClassNameA(hwnd, name, sizeof name);
    if (std::strcmp(name, "#32770") != 0 || ::GetParent(hwnd) ||
        (search->visibleOnly && !::IsWindowVisible(hwnd)))
        return TRUE;
    search->found = hwnd;
    return FALSE;
}

// The monitor dialog of a thread (a hidden one too, unless visibleOnly), or null.
HWND WindowOfThread(DWORD threadId, bool visibleOnly = true) {
    WindowSearch search{visibleOnly, nullptr};
    ::EnumThreadWindows(threadId, MonitorDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForWindow(DWORD threadId, int ms, bool visibleOnly = true) {
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < until) {
        if (HWND hwnd = WindowOfThread(threadId, visibleOnly))
            return hwnd;
        ::Sleep(20);
    }
    return nullptr;
}

std::wstring TextOf(HWND hwnd) {
    wchar_t text[1024] = {};
    DWORD_PTR got = 0;
    // A window that hangs must not hang the check: the message gets a bound.
    if (!::SendMessageTimeoutW(hwnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_NORMAL,
                               5000, &got))
        return L"<no answer>";
    return std::wstring(text, std::min<size_t>(got, 1023));
}

bool HasJapanese(const std::wstring& text) {
    return std::any_of(text.begin(), text.end(), [](wchar_t c) {
        return (c >= 0x3040 && c <= 0x30FF) || (c >= 0x4E00 && c <= 0x9FFF);
    });
}

bool AllAscii(const std::wstring& text) {
    return std::all_of(text.begin(), text.end(), [](wchar_t c) { return c < 0x80; });
}

// What a window must show throughout: its caption and its message in the
// language of the library its caller gave it.
bool ShowsItsLanguage(const std::wstring& text, bool japanese) {
    return japanese ? HasJapanese(text) : (!text.empty() && AllAscii(text));
}

struct WindowPlan {
    const char* printer;
    const char* resources;
    bool japanese;
};

struct Seen {
    std::wstring caption;
    std::wstring message;
};

// Opens the windows in one order and closes them in another, checking every
// live window's texts (and making it read its status again) all the while.
// Returns what went wrong, empty when nothing did.
std::string RunWindows(const Library& library, const std::vector<WindowPlan>& plans,
                       const std::vector<size_t>& openOrder,
                       const std::vector<size_t>& closeOrder) {
    std::string failures;
    std::vector<std::unique_ptr<HostThread>> threads(plans.size());
    std::vector<HWND> windows(plans.size(), nullptr);
    std::vector<int> checks(plans.size(), 0);
    std::atomic<bool> checking{true};
    std::vector<Seen> wrong(plans.size());
    std::vector<bool> mismatch(plans.size(), false);
    std::mutex guard;

    std::thread checker([&] {
        while (checking.load()) {
            for (size_t i = 0; i < plans.size(); ++i) {
                HWND hwnd;
                {
                    std::lock_guard<std::mutex> hold(guard);
                    hwnd = windows[i];
                }
                if (!hwnd || !::IsWindow(hwnd))
                    continue;
                Seen seen{TextOf(hwnd), TextOf(::GetDlgItem(hwnd, kMessageControl))};
                if (!::IsWindow(hwnd))
                    continue; // closed while it was read
                std::lock_guard<std::mutex> hold(guard);
                if (windows[i] != hwnd)
                    continue;
                ++checks[i];
                if (!ShowsItsLanguage(seen.caption, plans[i].japanese) ||
                    (!seen.message.empty() && !ShowsItsLanguage(seen.message, plans[i].japanese))) {
                    mismatch[i] = true;
                    wrong[i] = seen;
                }
                // A status tick now rather than after the idle interval.
                ::PostMessageA(hwnd, WM_TIMER, kStatusTimer, 0);
            }
            ::Sleep(40);
        }
    });

    for (size_t i : openOrder) {
        const WindowPlan plan = plans[i];
        threads[i] = std::make_unique<HostThread>([&library, plan] {
            return library.detail(plan.printer, demo::PortName, demo::Model,
                                  Installation::settingsFile.c_str(),
                                  (ProductDir() + "\\" + plan.resources).c_str());
        });
        HWND hwnd = WaitForWindow(threads[i]->Id(), 30000);
        if (!hwnd)
            failures += "window " + std::to_string(i) + " did not open; ";
        std::lock_guard<std::mutex> hold(guard);
        windows[i] = hwnd;
    }
    // Waits until the checker has read every live window `times` more times
    // (and made it read its status as often).
    auto checkedAgain = [&](int times) {
        std::vector<int> from;
        {
            std::lock_guard<std::mutex> hold(guard);
            from = checks;
        }
        return WaitUntil([&] {
            std::lock_guard<std::mutex> hold(guard);
            for (size_t i = 0; i < windows.size(); ++i)
                if (windows[i] && checks[i] < from[i] + times)
                    return false;
            return true;
        });
    };
    // Every window lives beside every other for a while.
    if (!checkedAgain(25))
        failures += "the windows were not all read while open together; ";

    for (size_t i : closeOrder) {
        HWND hwnd;
        {
            std::lock_guard<std::mutex> hold(guard);
            hwnd = windows[i];
        }
        if (hwnd)
            ::PostMessageA(hwnd, WM_CLOSE, 0, 0);
        if (!threads[i]->Join(30000))
            failures += "window " + std::to_string(i) + "'s export did not return; ";
        {
            std::lock_guard<std::mutex> hold(guard);
            windows[i] = nullptr;
        }
        // The others go on after this one ended, and read their texts again.
        if (!checkedAgain(10))
            failures += "after window " + std::to_string(i) + " the others were not read again; ";
    }
    checking.store(false);
    checker.join();

    for (size_t i = 0; i < plans.size(); ++i) {
        if (threads[i]->Result() != 0)
            failures += "window " + std::to_string(i) + " answered " +
                        std::to_string(threads[i]->Result()) + "; ";
        if (checks[i] == 0)
            failures += "window " + std::to_string(i) + " was never checked; ";
        if (mismatch[i]) {
            char line[64];
            std::snprintf(line, sizeof line, "window %zu (%s) showed ", i,
                          plans[i].japanese ? "Japanese" : "English");
            failures += line;
            for (const std::wstring* text : {&wrong[i].caption, &wrong[i].message}) {
                for (wchar_t c : *text)
                    failures += c < 0x80 ? static_cast<char>(c) : '#';
                failures += " | ";
            }
        }
    }
    return failures;
}

bool WaitForThreadCount(DWORD most, int ms) {
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < until) {
        if (MeasureHostUsage().threads <= most)
            return true;
        ::Sleep(50);
    }
    return false;
}

std::string Describe(const HostUsage& usage) {
    char text[160];
    std::snprintf(text, sizeof text, "gdi %lu, user %lu, handles %lu, threads %lu, private %lu KiB",
                  usage.gdi, usage.user, usage.handles, usage.threads,
                  static_cast<unsigned long>(usage.privateBytes / 1024));
    return text;
}

// Nothing of a scenario may stay: the allowances cover what Wine and the C
// runtime keep after their first use (caches, a helper thread it starts on
// first need, heap the checks themselves grow), not a leak per window: twelve
// windows run between the counts. Growth over many ticks is the benchmark's.
void ExpectNothingLeft(const HostUsage& before, const HostUsage& after) {
    SCOPED_TRACE("before: " + Describe(before) + "; after: " + Describe(after));
    EXPECT_LE(after.user, before.user);
    EXPECT_LE(after.gdi, before.gdi + 8);
    EXPECT_LE(after.handles, before.handles + 8);
    EXPECT_LE(after.threads, before.threads + 1);
    EXPECT_LE(after.privateBytes, before.privateBytes + 8 * 1024 * 1024);
}

class HostScenario : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(library_.ok());
        ASSERT_FALSE(Installation::settingsFile.empty());
    }
    Library library_;
};

TEST_F(HostScenario, FourWindowsOnFourThreadsKeepTheirOwnLanguage) {
    const std::vector<WindowPlan> plans = {
        {demo::PrinterName, "KVRRES_EN.DLL", false},
        {kSecondPrinter, "KVRRES_JA.DLL", true},
        {demo::PrinterName, "KVRRES_JA.DLL", true},
        {kSecondPrinter, "KVRRES_EN.DLL", false},
    };
    // One round first: what the first windows load once (fonts, classes,
    // caches) is not counted as a leak.
    EXPECT_EQ(RunWindows(library_, plans, {0, 1, 2, 3}, {0, 1, 2, 3}), "");
    ASSERT_TRUE(WaitForThreadCount(MeasureHostUsage().threads, 100));
    const HostUsage before = MeasureHostUsage();

    const std::vector<std::vector<size_t>> orders[] = {
        {{1, 0, 3, 2}, {0, 2, 1, 3}}, // the first window to open ends first
        {{3, 2, 1, 0}, {3, 1, 2, 0}}, // the last window to open ends first
        {{0, 3, 1, 2}, {2, 0, 3, 1}},
    };
    for (const auto& order : orders) {
        SCOPED_TRACE(testing::Message()
                     << "opened " << order[0][0] << order[0][1] << order[0][2] << order[0][3]
                     << ", closed " << order[1][0] << order[1][1] << order[1][2] << order[1][3]);
        EXPECT_EQ(RunWindows(library_, plans, order[0], order[1]), "");
    }
    WaitForThreadCount(before.threads, 10000);
    ExpectNothingLeft(before, MeasureHostUsage());
}

// Libraries of the product's names in the current directory, and an install
// path that is gone (so that the old bare names would be searched for): none
// of them may load, and a resource library's own code never runs.
class PlantedLibraries : public HostScenario {
protected:
    void SetUp() override {
        HostScenario::SetUp();
        ClearMarks();
        char temp[MAX_PATH];
        ::GetTempPathA(sizeof temp, temp);
        folder_ = std::string(temp) + "pqif_planted_" + std::to_string(::GetCurrentProcessId());
        ::CreateDirectoryA(folder_.c_str(), nullptr);
        for (const char* name : {"KLAPI.DLL", "KVRINK.DLL", "KVRBMP.DLL", "KVRRES_EN.DLL",
                                 "vrkit10.dll", "V_CORE12.DLL"}) {
            std::string planted = folder_ + "\\" + name;
            ASSERT_TRUE(::CopyFileA((ExeDir() + "\\PLANTREC.DLL").c_str(), planted.c_str(), FALSE));
            planted_.push_back(planted);
        }
        ::GetCurrentDirectoryA(sizeof previous_, previous_);
        ASSERT_TRUE(::SetCurrentDirectoryA(folder_.c_str()));
        Registry driver(HKEY_LOCAL_MACHINE, DriverKey(demo::PrinterName).c_str(), false,
                        KEY_ALL_ACCESS);
        installPath_ = driver.GetString("InstallPath", "", 260);
        driver.DeleteValue("InstallPath");
    }
    void TearDown() override {
        ::SetCurrentDirectoryA(previous_);
        Registry driver(HKEY_LOCAL_MACHINE, DriverKey(demo::PrinterName).c_str(), false,
                        KEY_ALL_ACCESS);
        EXPECT_TRUE(driver.SetString("InstallPath", installPath_.c_str()));
        for (const std::string& planted : planted_)
            ::DeleteFileA(planted.c_str());
        ::RemoveDirectoryA(folder_.c_str());
        ClearMarks();
    }

    static void ClearMarks() {
        Registry(HKEY_CURRENT_USER, "Software\\PqifTests", false, KEY_ALL_ACCESS)
            .DeleteKey("Planted");
    }
    static std::vector<std::string> Marks() {
        std::vector<std::string> marks;
        Registry planted(HKEY_CURRENT_USER, kPlantedKey);
        for (DWORD i = 0;; ++i) {
            std::string name = planted.EnumValue(i);
            if (name.empty())
                break;
            marks.push_back(name);
        }
        return marks;
    }

    // Runs a launch on a host thread and closes its window once it is there.
    LONG RunAndClose(const std::function<LONG()>& launch, bool visible = true) {
        HostThread thread(launch);
        if (HWND hwnd = WaitForWindow(thread.Id(), 30000, visible)) {
            // A status tick, done when the call returns: what it loads is loaded.
            DWORD_PTR answer = 0;
            EXPECT_TRUE(
                ::SendMessageTimeoutA(hwnd, WM_TIMER, kStatusTimer, 0, SMTO_NORMAL, 30000, &answer))
                << "the window took its status tick";
            window_caption_ = TextOf(hwnd);
            ::PostMessageA(hwnd, WM_CLOSE, 0, 0);
        }
        EXPECT_TRUE(thread.Join(30000)) << "the export returned";
        return thread.Result();
    }

    std::string folder_;
    std::vector<std::string> planted_;
    char previous_[MAX_PATH] = {};
    std::string installPath_;
    std::wstring window_caption_;
};

TEST_F(PlantedLibraries, NoneOfThemLoads) {
    EXPECT_EQ(RunAndClose([this] {
                  return library_.detail(demo::PrinterName, demo::PortName, demo::Model,
                                         Installation::settingsFile.c_str(), "KVRRES_EN.DLL");
              }),
              0)
        << "the window ran with the installation's libraries";
    EXPECT_TRUE(ShowsItsLanguage(window_caption_, false));
    // The meter (hidden until its job prints) loads the print manager's module too.
    EXPECT_EQ(RunAndClose(
                  [this] {
                      return library_.progress(demo::PrinterName, demo::PortName, demo::Model,
                                               Installation::settingsFile.c_str(), "KVRRES_EN.DLL",
                                               4321);
                  },
                  false),
              0);
    std::vector<std::string> marks = Marks();
    EXPECT_TRUE(marks.empty()) << "loaded: " << (marks.empty() ? "" : marks[0]);
}

TEST_F(PlantedLibraries, AResourceLibrarysCodeNeverRuns) {
    const std::string resources = ExeDir() + "\\RESREC.DLL";
    EXPECT_EQ(RunAndClose([&] {
                  return library_.detail(demo::PrinterName, demo::PortName, demo::Model,
                                         Installation::settingsFile.c_str(), resources.c_str());
              }),
              0);
    EXPECT_TRUE(ShowsItsLanguage(window_caption_, false)) << "its texts were shown all the same";
    std::vector<std::string> marks = Marks();
    EXPECT_TRUE(marks.empty()) << "ran: " << (marks.empty() ? "" : marks[0]);
}

#ifdef PQIF_WITH_PRINT_MANAGER
// A print manager that lies about its reply's array, dies inside the call, or
// never answers. The host's call returns, with a bound for the silent one,
// and the process goes on with nothing left behind.
TEST_F(HostScenario, HostilePrintManagerNeverReachesTheCaller) {
    PrivateJobStore store;
    ScriptedJob script;
    script.spoolerId = 71;
    script.printer = "HostileQueue";
    script.document = "A document name";
    const int32_t job = ScriptJob(script);

    auto session = [job](const char* mode, DWORD boundMs, bool killFirst) {
        SCOPED_TRACE(mode);
        ServiceProcess service;
        ASSERT_TRUE(service.Start("..\\pmrogue.exe", mode));
        std::atomic<int32_t> result{-1};
        std::atomic<bool> intact{false};
        std::atomic<bool> connected{false};
        HostThread host([&]() -> LONG {
            PmClient client;
            if (!client.OpenRemote("PRINTSERVER", "vrkit10.dll"))
                return 1;
            int32_t queue = client.OpenQueue("\\\\PRINTSERVER\\HostileQueue", "USB001", 1, nullptr);
            connected.store(queue != 0);
            unsigned char area[48];
            std::memset(area, 0x5A, sizeof area);
            int32_t needed = 7;
            result.store(client.GetJobValue(queue, job, 1, area + 16, 16, &needed));
            intact.store(
                std::all_of(area, area + sizeof area, [](unsigned char b) { return b == 0x5A; }) &&
                needed == 7);
            return 0;
        });
        if (killFirst) {
            // Nothing answers: the call waits, and the host's own bound ends it.
            EXPECT_FALSE(host.Join(boundMs)) << "a silent server really is silent";
            service.Kill();
        }
        ASSERT_TRUE(host.Join(30000)) << "the call returned";
        EXPECT_EQ(host.Result(), 0);
        EXPECT_TRUE(connected.load());
        EXPECT_EQ(result.load(), 0);
        EXPECT_TRUE(intact.load()) << "the caller's bytes are as they were";
    };

    session("offset", 0, false); // warms Wine's RPC up before the count
    WaitForThreadCount(MeasureHostUsage().threads, 100);
    const HostUsage before = MeasureHostUsage();
    for (const char* mode : {"offset", "conformance", "far", "oversize"})
        session(mode, 0, false);
    session("silent", 2000, true);
    session("die", 0, false);
    WaitForThreadCount(before.threads, 10000);
    const HostUsage after = MeasureHostUsage();
    SCOPED_TRACE("before: " + Describe(before) + "; after: " + Describe(after));
    EXPECT_LE(after.threads, before.threads + 2) << "Wine's RPC keeps a listener per server";
    EXPECT_LE(after.privateBytes, before.privateBytes + 2 * 1024 * 1024);
}
#endif

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new Installation);
    return RUN_ALL_TESTS();
}
