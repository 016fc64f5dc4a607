// The three launch exports through the library's export table: what makes a
// launch fail before any window, and that a window that ran answers 0.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include "V_PQIF07.h"
#include "companions/install/DemoModel.h"
#include "support/Registry.h"
#include "tests/device/SimPrinter.h"
#include "tests/ui/UiTestSupport.h"

namespace {

using ShowFn = LONG(WINAPI*)(const char*, const char*, const char*, const char*, const char*);
using ProgressFn = LONG(WINAPI*)(const char*, const char*, const char*, const char*, const char*,
                                 LONG);

// Closes the first monitor window of this process whose caption contains
// text, and remembers that caption.
class WindowCloser {
public:
    explicit WindowCloser(std::string text) : text_(std::move(text)) {
        thread_ = std::thread([this] { Run(); });
    }
    ~WindowCloser() {
        stop_ = true;
        thread_.join();
    }
    std::string Caption() const { return seen_.load() ? caption_ : std::string(); }

private:
    struct Search {
        const std::string* text;
        HWND found;
    };
    static BOOL CALLBACK Visit(HWND hwnd, LPARAM param) {
        auto* search = reinterpret_cast<Search*>(param);
        DWORD pid = 0;
        ::GetWindowThreadProcessId(hwnd, &pid);
        char caption[256] = {};
        ::GetWindowTextA(hwnd, caption, sizeof caption);
        if (pid == ::GetCurrentProcessId() && ::IsWindowVisible(hwnd) &&
            std::string(caption).find(*search->text) != std::string::npos) {
            search->found = hwnd;
            return FALSE;
        }
        return TRUE;
    }
    void Run() {
        while (!stop_) {
            Search search{&text_, nullptr};
            ::EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
            if (search.found && !seen_) {
                char caption[256] = {};
                ::GetWindowTextA(search.found, caption, sizeof caption);
                caption_ = caption;
                seen_ = true;
                ::PostMessageA(search.found, WM_CLOSE, 0, 0);
            }
            ::Sleep(20);
        }
    }
    std::string text_;
    std::string caption_;
    std::atomic<bool> seen_{false};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

class MonitorLaunchTest : public ::testing::Test {
protected:
    void SetUp() override {
        library_ = ::LoadLibraryA((BinDir() + "\\V_PQIF07.dll").c_str());
        ASSERT_NE(library_, nullptr);
        popup_ = reinterpret_cast<ShowFn>(::GetProcAddress(library_, MAKEINTRESOURCEA(9)));
        detail_ = reinterpret_cast<ShowFn>(::GetProcAddress(library_, MAKEINTRESOURCEA(7)));
        progress_ = reinterpret_cast<ProgressFn>(::GetProcAddress(library_, MAKEINTRESOURCEA(8)));
        ASSERT_TRUE(popup_ && detail_ && progress_);
        EXPECT_EQ(reinterpret_cast<FARPROC>(popup_), ::GetProcAddress(library_, "PrStartKVR_S"));
        EXPECT_EQ(reinterpret_cast<FARPROC>(progress_),
                  ::GetProcAddress(library_, "PrStartKVR_PM"));
        Registry profile(HKEY_LOCAL_MACHINE, demo::ProfileKey);
        settings_ = profile.GetString(demo::Model, "", 260);
        ASSERT_FALSE(settings_.empty()) << "the demo installation is in place";
        resources_ = BinDir() + "\\KVRRES_EN.DLL";
        common_.Clear();
    }
    void TearDown() override {
        SimPrinter::InitResult(0);
        ::FreeLibrary(library_);
    }

    LONG Popup(const char* resources) {
        return popup_(demo::PrinterName, demo::PortName, demo::Model, settings_.c_str(), resources);
    }

    HMODULE library_ = nullptr;
    ShowFn popup_ = nullptr;
    ShowFn detail_ = nullptr;
    ProgressFn progress_ = nullptr;
    std::string settings_;
    std::string resources_;
    KeyBackup common_{HKEY_LOCAL_MACHINE, demo::CommonKey};
};

TEST_F(MonitorLaunchTest, FailuresBeforeTheWindowAnswerOne) {
    EXPECT_EQ(Popup((BinDir() + "\\NOSUCHRES.DLL").c_str()), 1) << "resource library missing";
    EXPECT_EQ(Popup(nullptr), 1);
    SimPrinter::InitResult(-16);
    EXPECT_EQ(Popup(resources_.c_str()), 1) << "communication library not initialised";
    EXPECT_EQ(progress_(demo::PrinterName, demo::PortName, demo::Model, settings_.c_str(),
                        resources_.c_str(), 5),
              1)
        << "the meter polls status, so it needs the library too";
}

TEST_F(MonitorLaunchTest, WindowsThatRanAnswerZeroWhateverTheirEnd) {
    {
        WindowCloser closer(demo::PrinterName);
        EXPECT_EQ(detail_(demo::PrinterName, demo::PortName, demo::Model, settings_.c_str(),
                          resources_.c_str()),
                  0);
        EXPECT_EQ(closer.Caption(), std::string("Status Monitor : ") + demo::PrinterName);
    }
    {
        MessageBoxWatcher boxes;
        EXPECT_EQ(popup_("NoSuchQueue", demo::PortName, demo::Model, settings_.c_str(),
                         resources_.c_str()),
                  0)
            << "the window refused itself: still a launch that ran";
        EXPECT_EQ(boxes.Boxes().size(), 1u);
    }
}

TEST_F(MonitorLaunchTest, MeterWithoutStatusPollingNeedsNoCommunicationLibrary) {
    common_.SetDword("ERR_OSVERNOTSUPPORT", 1);
    SimPrinter::InitResult(-16);
    // The job is unknown to this process's spooler: the monitor drops it, and the
    // meter, started for it alone, ends by itself.
    EXPECT_EQ(progress_(demo::PrinterName, demo::PortName, demo::Model, settings_.c_str(),
                        resources_.c_str(), 4242),
              0);
}

} // namespace

namespace {

// The export table as callers link against it, written out here rather than
// taken from the module-definition file.
TEST(ExportTableTest, EveryNameHasItsOrdinal) {
    struct Export {
        const char* name;
        WORD ordinal;
    };
    const Export table[] = {
        {"PrEnumItem", 1},   {"PrGetPrnData", 2},        {"PrGetStatusB", 3}, {"PrReleaseReg", 4},
        {"PrSelectChan", 5}, {"PrSendPrnData", 6},       {"PrStartKVR_D", 7}, {"PrStartKVR_PM", 8},
        {"PrStartKVR_S", 9}, {"SetRegDefaultValue", 10},
    };
    HMODULE library = ::LoadLibraryA((BinDir() + "\\V_PQIF07.dll").c_str());
    ASSERT_NE(library, nullptr);
    for (const Export& e : table) {
        FARPROC byName = ::GetProcAddress(library, e.name);
        EXPECT_NE(byName, nullptr) << e.name;
        EXPECT_EQ(byName, ::GetProcAddress(library, MAKEINTRESOURCEA(e.ordinal))) << e.name;
    }
    EXPECT_EQ(::GetProcAddress(library, MAKEINTRESOURCEA(11)), nullptr) << "ten exports";
    ::FreeLibrary(library);
}

// The "log" switch is read from the product key once, when the library loads.
TEST(DebugSwitchTest, LogIsReadWhenTheLibraryLoads) {
    using StatusFn = LONG(WINAPI*)(LONG, LONG, LONG, LONG*, LONG*, LONG*, LONG*, const char*,
                                   const char*, LONG, const char*, LONG*);
    KeyBackup product(HKEY_LOCAL_MACHINE, demo::ProductKey);
    const std::string path = BinDir() + "\\V_PQIF07.dll";
    auto logLines = [] {
        char text[4096] = {};
        HANDLE file =
            ::CreateFileA("c:\\HERON.LOG", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                          nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return 0;
        DWORD got = 0;
        ::ReadFile(file, text, sizeof text - 1, &got, nullptr);
        ::CloseHandle(file);
        int count = 0;
        for (const char* at = std::strstr(text, "PrGetStatusB"); at;
             at = std::strstr(at + 1, "PrGetStatusB"))
            ++count;
        return count;
    };
    auto query = [](HMODULE library) {
        auto status = reinterpret_cast<StatusFn>(::GetProcAddress(library, "PrGetStatusB"));
        ASSERT_NE(status, nullptr);
        LONG result = 0;
        status(0, 0, 0, &result, nullptr, nullptr, nullptr, demo::PrinterName, demo::PortName, 0,
               demo::Model, nullptr);
    };
    ::DeleteFileA("c:\\HERON.LOG");

    product.SetDword("log", 1);
    HMODULE library = ::LoadLibraryA(path.c_str());
    ASSERT_NE(library, nullptr);
    product.SetDword("log", 0); // read at load: switching it off now changes nothing
    query(library);
    EXPECT_EQ(logLines(), 1);
    ::FreeLibrary(library);

    library = ::LoadLibraryA(path.c_str());
    ASSERT_NE(library, nullptr);
    query(library);
    EXPECT_EQ(logLines(), 1) << "loaded again with the switch off: nothing more";
    ::FreeLibrary(library);
    ::DeleteFileA("c:\\HERON.LOG");
}

} // namespace
