// The monitor window over time: real windows with both timers running, the
// simulated printer, the printing side's job mapping and stored replies, and a
// job monitor over a scripted print manager. Every step waits for what the
// window shows or records, never for a fixed time.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "companions/printside/SharedTables.h"
#include "jobs/KvrMapFormat.h"
#include "monitor/IntegerFormat.h"
#include "support/DebugLog.h"
#include "tests/monitor/MonitorFixture.h"
#include "tests/monitor/WaitUntil.h"

namespace {

using namespace monitortest;
using Arrivals = std::vector<TestMonitorDlg::TimerArrival>;

// Window timers never fire early; Wine may round a period down by a few ms.
constexpr ULONGLONG kTimerSlack = 25;

std::vector<ULONGLONG> TimesOf(const Arrivals& arrivals, UINT_PTR id) {
    std::vector<ULONGLONG> times;
    for (const auto& a : arrivals)
        if (a.id == id)
            times.push_back(a.at);
    return times;
}

std::string ReadLog() {
    std::ifstream file(DebugLogPath, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

int Occurrences(const std::string& text, const std::string& part) {
    int count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// The printing side while it sends a job: the mapping "V_KVRS_" + printer name.
class JobMapping {
public:
    JobMapping()
        : handle_(::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096,
                                       (std::string("V_KVRS_") + demo::PrinterName).c_str())) {}
    ~JobMapping() { Close(); }
    JobMapping(const JobMapping&) = delete;
    JobMapping& operator=(const JobMapping&) = delete;
    void Close() {
        if (handle_)
            ::CloseHandle(handle_);
        handle_ = nullptr;
    }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    HANDLE handle_;
};

// A visible dialog of this process other than skip: a message box (boxes) or
// another dialog; null when there is none.
struct DialogSearch {
    HWND skip;
    bool boxes;
    HWND found;
};

BOOL CALLBACK VisitDialog(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<DialogSearch*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    char cls[32] = {};
    ::GetClassNameA(hwnd, cls, sizeof cls);
    // A message box is a dialog whose text is the static 0xFFFF.
    if (pid == ::GetCurrentProcessId() && hwnd != search->skip && std::string(cls) == "#32770" &&
        ::IsWindowVisible(hwnd) && (::GetDlgItem(hwnd, 0xFFFF) != nullptr) == search->boxes) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND FindDialog(HWND skip, bool boxes) {
    DialogSearch search{skip, boxes, nullptr};
    ::EnumWindows(VisitDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}
HWND FindMessageBox() {
    return FindDialog(nullptr, true);
}
HWND FindOtherDialog(HWND monitor) {
    return FindDialog(monitor, false);
}

// Counts the sounds the window plays: this program's import of PlaySoundA is
// pointed at a recorder for as long as this lives (window thread and test
// thread only read the list under its lock).
class SoundRecorder {
public:
    SoundRecorder() {
        instance_ = this;
        slot_ = ImportSlot("WINMM.DLL", "PlaySoundA");
        if (slot_)
            original_ = Swap(reinterpret_cast<ULONG_PTR>(&Record));
    }
    ~SoundRecorder() {
        if (slot_)
            Swap(original_);
        instance_ = nullptr;
    }
    SoundRecorder(const SoundRecorder&) = delete;
    SoundRecorder& operator=(const SoundRecorder&) = delete;
    bool Hooked() const { return slot_ != nullptr; }
    std::vector<std::string> Played() const {
        std::lock_guard<std::mutex> hold(lock_);
        return played_;
    }

private:
    static BOOL WINAPI Record(LPCSTR sound, HMODULE, DWORD flags) {
        if (instance_ && sound && (flags & SND_FILENAME)) {
            std::lock_guard<std::mutex> hold(instance_->lock_);
            instance_->played_.push_back(sound);
        }
        return TRUE;
    }
    static ULONG_PTR* ImportSlot(const char* dll, const char* function) {
        auto* base = reinterpret_cast<BYTE*>(::GetModuleHandleA(nullptr));
        auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
        auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
        const auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
             d->Name; ++d) {
            if (::lstrcmpiA(reinterpret_cast<const char*>(base + d->Name), dll) != 0)
                continue;
            auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
            auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
            for (; names->u1.AddressOfData; ++names, ++slots) {
                if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                    continue;
                auto* byName =
                    reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
                if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0)
                    return reinterpret_cast<ULONG_PTR*>(&slots->u1.Function);
            }
        }
        return nullptr;
    }
    ULONG_PTR Swap(ULONG_PTR value) {
        DWORD was = 0;
        ::VirtualProtect(slot_, sizeof *slot_, PAGE_READWRITE, &was);
        const ULONG_PTR previous = *slot_;
        *slot_ = value;
        ::VirtualProtect(slot_, sizeof *slot_, was, &was);
        return previous;
    }

    static inline SoundRecorder* instance_ = nullptr;
    ULONG_PTR* slot_ = nullptr;
    ULONG_PTR original_ = 0;
    mutable std::mutex lock_;
    std::vector<std::string> played_;
};

// What the ink-level controls are told: each level or mark message with its
// block, recorded by a subclass (window thread only).
struct InkMessage {
    int id;
    WPARAM kind;
    std::array<LONG, 7> block; // 6, then the six levels
};

class InkSpy {
public:
    static void Attach(HWND dialog) {
        for (int id : kInkIds) {
            HWND control = ::GetDlgItem(dialog, id);
            Originals()[control] = reinterpret_cast<WNDPROC>(
                ::SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc)));
        }
        Log().clear();
    }
    static std::vector<InkMessage>& Log() {
        static std::vector<InkMessage> log;
        return log;
    }
    // The last message of this kind to control id since the log was cleared.
    static const InkMessage* Last(int id, WPARAM kind) {
        const InkMessage* last = nullptr;
        for (const InkMessage& m : Log())
            if (m.id == id && m.kind == kind)
                last = &m;
        return last;
    }
    static constexpr int kInkIds[6] = {314, 321, 322, 323, 324, 325};

private:
    static std::map<HWND, WNDPROC>& Originals() {
        static std::map<HWND, WNDPROC> originals;
        return originals;
    }
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_USER && wParam >= 10 && wParam <= 12 && lParam) {
            InkMessage m{::GetDlgCtrlID(hwnd), wParam, {}};
            std::memcpy(m.block.data(), reinterpret_cast<const LONG*>(lParam), sizeof m.block);
            Log().push_back(m);
        }
        return ::CallWindowProcA(Originals()[hwnd], hwnd, message, wParam, lParam);
    }
};

class ScenarioTest : public MonitorWindowTest {
protected:
    void SetUp() override {
        MonitorWindowTest::SetUp();
        ::DeleteFileA(DebugLogPath);
        logWas_ = DebugLogEnabled;
        DebugLogEnabled = 1; // the trace tells which ticks ran
    }
    void TearDown() override {
        DebugLogEnabled = logWas_;
        ::DeleteFileA(DebugLogPath);
        printer_.SetBytes(simstore::ChannelsValue, simstore::DefaultChannels());
        MonitorWindowTest::TearDown();
    }

    // A window with both timers running.
    int RunLive(TestMonitorDlg& dialog, int startView,
                const std::function<void(TestMonitorDlg&)>& script) {
        dialog.m_bStatusTimerOn = 1;
        dialog.m_bProgressTimerOn = 1;
        return RunWindow(dialog, startView, script);
    }

    // Waits (on the window's thread) until condition holds.
    static bool Until(TestMonitorDlg& d, const std::function<bool(TestMonitorDlg&)>& condition) {
        return WaitOnWindow(d, condition, kScenarioWaitMs);
    }
    // Waits until the window has taken n more ticks of the timer id.
    static bool MoreTicks(TestMonitorDlg& d, UINT_PTR id, size_t n) {
        size_t start = 0;
        d.Do([&](TestMonitorDlg& w) { start = TimesOf(w.timerArrivals, id).size(); });
        return Until(
            d, [&](TestMonitorDlg& w) { return TimesOf(w.timerArrivals, id).size() >= start + n; });
    }

    // A job that waits behind another application's job: followed, not printed.
    void QueueWaitingJob(int32_t spoolerId) {
        FakeJob foreign;
        foreign.spoolerId = 900;
        foreignNumber_ = pm_->Add(foreign);
        FakeJob waiting;
        waiting.spoolerId = spoolerId;
        waiting.document = "Waiting";
        pm_->Add(waiting);
        spooler_->Learn(spoolerId);
        jobs_->AddJob(spoolerId);
    }
    void EndForeignJob() {
        pm_->With([&](FakePrintManager& p) { p.Find(foreignNumber_)->active = false; });
    }
    // A settings file of the demo model with one line changed.
    std::string SettingsWith(const std::string& from, const std::string& to) {
        std::ifstream in(DemoInstallation::settingsFile, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        std::string contents = text.str();
        auto at = contents.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        if (at != std::string::npos)
            contents.replace(at, from.size(), to);
        temp_.Write("MODEL.INI", contents);
        return temp_.File("MODEL.INI");
    }
    static std::vector<BYTE> Channels(std::initializer_list<std::array<uint32_t, 3>> entries) {
        std::vector<BYTE> bytes;
        for (const auto& e : entries) {
            const uint32_t words[2] = {e[0], (e[1] & 0xFFFF) | (e[2] << 16)};
            const BYTE* b = reinterpret_cast<const BYTE*>(words);
            bytes.insert(bytes.end(), b, b + sizeof words);
        }
        return bytes;
    }

    int logWas_ = 0;
    int32_t foreignNumber_ = 0;
    TempDir temp_;
};

TEST_F(ScenarioTest, TimersTickFirstAfter500And400MsThenAtTheirIntervals) {
    IdleInterval = 2;
    TestMonitorDlg dialog;
    RunLive(dialog, VIEW_DETAIL, [&](TestMonitorDlg& d) {
        Arrivals seen;
        ULONGLONG setUp = 0;
        ASSERT_TRUE(Until(d, [&](TestMonitorDlg& w) {
            seen = w.timerArrivals;
            setUp = w.setUpAt;
            return TimesOf(seen, 8).size() >= 3 && TimesOf(seen, 9).size() >= 3;
        }));
        const auto status = TimesOf(seen, 8);
        const auto progress = TimesOf(seen, 9);
        EXPECT_GE(status[0] - setUp + kTimerSlack, 500u);
        EXPECT_GE(progress[0] - setUp + kTimerSlack, 400u);
        EXPECT_LT(progress[0], status[0]) << "the progress timer comes first";
        for (size_t i = 1; i < progress.size(); ++i)
            EXPECT_GE(progress[i] - progress[i - 1] + kTimerSlack, 2000u);
        for (size_t i = 1; i < status.size(); ++i) {
            EXPECT_GE(status[i] - status[i - 1] + kTimerSlack, 2000u) << "the idle interval";
            EXPECT_LT(status[i] - status[i - 1], 6000u) << "not tripled on this channel";
        }
        d.Do([](TestMonitorDlg& w) { EXPECT_EQ(w.m_IdleInterval, 2); });
    });
}

TEST_F(ScenarioTest, SlowChannelTriplesTheIdleInterval) {
    IdleInterval = 2;
    printer_.SetBytes(simstore::ChannelsValue, Channels({{4, 0x8004, 1}, {0x10010003, 4, 2}}));
    TestMonitorDlg dialog;
    RunLive(dialog, VIEW_DETAIL, [&](TestMonitorDlg& d) {
        std::vector<ULONGLONG> status;
        ASSERT_TRUE(Until(d, [&](TestMonitorDlg& w) {
            status = TimesOf(w.timerArrivals, 8);
            return status.size() >= 2;
        }));
        EXPECT_GE(status[1] - status[0] + kTimerSlack, 6000u);
        d.Do([](TestMonitorDlg& w) {
            EXPECT_EQ(w.m_IdleInterval, 6);
            EXPECT_EQ(w.m_StatusNumber, 1);
        });
    });
}

// While a job is sent, the reply comes from the printing side's stored reply and
// its ComStatus; the window marks each new reply as taken.
TEST_F(ScenarioTest, PrintingPathReadsTheStoredReplyAndComStatus) {
    JobMapping mapping;
    ASSERT_TRUE(mapping);
    EXPECT_TRUE(
        Target().SetBinary("Status", kPaperOut.data(), static_cast<DWORD>(kPaperOut.size())));
    EXPECT_TRUE(Target().SetDword("ComStatus", 1));
    TestMonitorDlg dialog;
    RunLive(dialog, VIEW_DETAIL, [&](TestMonitorDlg& d) {
        ASSERT_TRUE(Until(d, [&](TestMonitorDlg& w) {
            return w.m_StatusNumber == 5 && Item(w.m_hWnd, IDC_MESSAGE) == Text(3012);
        }));
        EXPECT_TRUE(WaitUntil([&] { return Target().GetDword("ComStatus", 9) == 2; }))
            << "the reply was marked as taken";
        d.Do([](TestMonitorDlg& w) { EXPECT_EQ(w.m_bPrinting, 1); });

        // Every second while printing (the idle interval is 10 s).
        ASSERT_TRUE(MoreTicks(d, 8, 3));
        d.Do([](TestMonitorDlg& w) {
            const auto status = TimesOf(w.timerArrivals, 8);
            for (size_t i = status.size() - 2; i < status.size(); ++i) {
                EXPECT_GE(status[i] - status[i - 1] + kTimerSlack, 1000u);
                EXPECT_LT(status[i] - status[i - 1], 5000u);
            }
        });

        struct Case {
            DWORD comStatus;
            int status;
            UINT message;
        };
        const Case cases[] = {{0, 0, 2002}, {3, 16, 3025}, {4, 36, 3058}};
        for (const Case& c : cases) {
            SCOPED_TRACE(c.comStatus);
            EXPECT_TRUE(Target().SetDword("ComStatus", c.comStatus));
            EXPECT_TRUE(Until(d, [&](TestMonitorDlg& w) {
                return w.m_StatusNumber == c.status &&
                       Item(w.m_hWnd, IDC_MESSAGE) == Text(c.message);
            }));
            d.Do([](TestMonitorDlg& w) { EXPECT_FALSE(Enabled(w.m_hWnd, IDC_INK_1)); });
        }
        EXPECT_TRUE(Target().SetBinary("Status", kReady.data(), static_cast<DWORD>(kReady.size())));
        EXPECT_TRUE(Target().SetDword("ComStatus", 1));
        EXPECT_TRUE(Until(d, [&](TestMonitorDlg& w) {
            return w.m_StatusNumber == 1 && Item(w.m_hWnd, IDC_MESSAGE) == Text(3004);
        }));
        EXPECT_TRUE(WaitUntil([&] { return Target().GetDword("ComStatus", 9) == 2; }));

        // The job sent: back to the printer's own channel and the idle interval.
        mapping.Close();
        EXPECT_TRUE(Until(d, [](TestMonitorDlg& w) { return w.m_bPrinting == 0; }));
        d.Do([](TestMonitorDlg& w) { EXPECT_EQ(w.m_SoundedItem, -1) << "no sounds while idle"; });
    });
}

// A tick that comes while another one waits in a message box is dropped, not
// queued, and the timer goes on afterwards.
TEST_F(ScenarioTest, TicksDuringTheErrorNoticeAreDropped) {
    common_.SetDword("ERR_OTHERS", 1);
    printer_.SetBytes(simstore::ReplyValue, "garbage");
    TestMonitorDlg dialog;
    RunLive(dialog, VIEW_DETAIL, [&](TestMonitorDlg& d) {
        HWND box = nullptr;
        ASSERT_TRUE(WaitUntil([&] { return (box = FindMessageBox()) != nullptr; }));
        ASSERT_TRUE(Until(d, [](TestMonitorDlg& w) {
            for (const auto& a : w.timerArrivals)
                if (a.id == 9 && a.inTimer)
                    return true;
            return false;
        })) << "a progress tick arrived during the notice";
        ::PostMessageA(box, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(MoreTicks(d, 9, 2)) << "the progress timer still runs";
        d.Do([](TestMonitorDlg& w) {
            int ran = 0;
            for (const auto& a : w.timerArrivals)
                ran += a.id == 9 && !a.inTimer ? 1 : 0;
            EXPECT_EQ(Occurrences(ReadLog(), "Progress Timer :"), ran)
                << "only the ticks that came outside another ran";
        });
    });
}

// Fault: the second of two jobs in a row showed the first job's media and paper.
TEST_F(ScenarioTest, NextJobShowsTheSecondJobsDetails) {
    const int32_t first = AddJob(41, "First");
    TestMonitorDlg dialog;
    RunLive(dialog, VIEW_PROGRESS, [&](TestMonitorDlg& d) {
        ASSERT_TRUE(Until(d, [](TestMonitorDlg& w) {
            return Item(w.m_hWnd, IDC_DOCUMENT_PM) == "First" && ::IsWindowVisible(w.m_hWnd);
        }));
        d.Do([&](TestMonitorDlg& w) {
            EXPECT_EQ(Item(w.m_hWnd, IDC_DETAILS), Text(1560) + " : " + Text(1563) + "\r\n" +
                                                       Text(1500) + " : " + w.PaperSizeName(9) +
                                                       "\r\n");
        });
        FakeJob second;
        second.spoolerId = 42;
        second.document = "Second";
        second.media[1] = 258;
        second.media[2] = 11;
        spooler_->Learn(42);
        pm_->Add(second);
        jobs_->AddJob(42);
        EndJob(first, 41);
        ASSERT_TRUE(Until(
            d, [](TestMonitorDlg& w) { return Item(w.m_hWnd, IDC_DOCUMENT_PM) == "Second"; }));
        ASSERT_TRUE(MoreTicks(d, 9, 2));
        d.Do([&](TestMonitorDlg& w) {
            EXPECT_EQ(Item(w.m_hWnd, IDC_DETAILS), Text(1560) + " : " + Text(1565) + "\r\n" +
                                                       Text(1500) + " : " + w.PaperSizeName(11) +
                                                       "\r\n");
        });
        EXPECT_EQ(Occurrences(ReadLog(), " Job completion (Next job)"), 1)
            << "the first was shown complete once";
        EndAllJobs();
        EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(d.Window()); })) << "no job left: closed";
    });
}

// An alert during a job opens the popup with the job; when it is over the
// meter comes back with the job; the last job's end closes the meter.
TEST_F(ScenarioTest, AlertDuringAJobOpensThePopupAndReturnsToTheMeter) {
    AddJob(51, "Brochure");
    TestMonitorDlg dialog;
    int result = RunLive(dialog, VIEW_PROGRESS, [&](TestMonitorDlg& d) {
        ASSERT_TRUE(Until(d, [](TestMonitorDlg& w) {
            return w.m_CurrentJob.jobId == 51 && ::IsWindowVisible(w.m_hWnd);
        }));
        printer_.SetBytes(simstore::ReplyValue, kPaperOut);
        ASSERT_TRUE(Until(d, [](TestMonitorDlg& w) { return w.m_View == VIEW_POPUP; }));
        d.Do([&](TestMonitorDlg& w) {
            EXPECT_EQ(Item(w.m_hWnd, IDC_MESSAGE), Text(3012));
            EXPECT_EQ(Item(w.m_hWnd, IDC_DOCUMENT_POPUP), "Brochure");
            EXPECT_EQ(w.GetWindowText(), Text(1100) + " : " + demo::PrinterName);
        });
        printer_.SetBytes(simstore::ReplyValue, kReady);
        ASSERT_TRUE(Until(d, [](TestMonitorDlg& w) {
            return w.m_View == VIEW_PROGRESS && ::IsWindowVisible(w.m_hWnd);
        })) << "the alert is over: back to the meter";
        d.Do([](TestMonitorDlg& w) { EXPECT_EQ(Item(w.m_hWnd, IDC_DOCUMENT_PM), "Brochure"); });
        EndAllJobs();
        EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(d.Window()); }));
    });
    EXPECT_EQ(result, IDCANCEL);
}

// Without a job printing, an alert opens the detail view; closing it leaves the
// same alert acknowledged, and the meter waits hidden for its job.
TEST_F(ScenarioTest, AlertWithoutAJobOpensTheDetailViewUntilAcknowledged) {
    IdleInterval = 2;
    QueueWaitingJob(61);
    TestMonitorDlg dialog;
    RunLive(dialog, VIEW_PROGRESS, [&](TestMonitorDlg& d) {
        printer_.SetBytes(simstore::ReplyValue, kPaperOut);
        ASSERT_TRUE(Until(d, [](TestMonitorDlg& w) {
            return w.m_View == VIEW_DETAIL && ::IsWindowVisible(w.m_hWnd);
        }));
        ::SendMessageA(::GetDlgItem(d.Window(), IDOK), BM_CLICK, 0, 0);
        d.Do([](TestMonitorDlg& w) {
            EXPECT_EQ(w.m_View, VIEW_PROGRESS);
            EXPECT_EQ(w.m_AckStatus, 5);
            EXPECT_FALSE(::IsWindowVisible(w.m_hWnd));
        });
        ASSERT_TRUE(MoreTicks(d, 8, 2));
        d.Do([](TestMonitorDlg& w) {
            EXPECT_EQ(w.m_View, VIEW_PROGRESS) << "an acknowledged alert does not come back";
            EXPECT_FALSE(::IsWindowVisible(w.m_hWnd));
        });
        // The waiting job prints: the meter shows it.
        EndForeignJob();
        printer_.SetBytes(simstore::ReplyValue, kReady);
        EXPECT_TRUE(Until(d, [](TestMonitorDlg& w) {
            return w.m_View == VIEW_PROGRESS && ::IsWindowVisible(w.m_hWnd) &&
                   Item(w.m_hWnd, IDC_DOCUMENT_PM) == "Waiting";
        }));
        EndAllJobs();
    });
}

// A hidden meter's progress animation waits; it goes on when the meter shows.
TEST_F(ScenarioTest, HiddenMeterPausesItsAnimation) {
    QueueWaitingJob(71);
    TestMonitorDlg dialog;
    RunLive(dialog, VIEW_PROGRESS, [&](TestMonitorDlg& d) {
        ASSERT_TRUE(Until(d, [](TestMonitorDlg& w) {
            return !::IsWindowVisible(w.m_hWnd) && w.m_Animation.AnimationPaused() &&
                   w.m_Animation.AnimationTimer() == 0;
        }));
        EndForeignJob();
        ASSERT_TRUE(Until(d, [](TestMonitorDlg& w) {
            return ::IsWindowVisible(w.m_hWnd) && w.m_Animation.AnimationTimer() != 0;
        })) << "shown: the animation runs again";
        const UINT frame = dialog.m_Animation.FrameIndex();
        EXPECT_TRUE(
            Until(d, [&](TestMonitorDlg& w) { return w.m_Animation.FrameIndex() != frame; }));
        EndAllJobs();
    });
}

TEST_F(ScenarioTest, RestartOfAPausedJobSendsCommand2) {
    FakeJob paused;
    paused.spoolerId = 81;
    paused.document = "Poster";
    paused.state = 0x11;
    spooler_->Learn(81);
    const int32_t number = pm_->Add(paused);
    jobs_->AddJob(81);
    TestMonitorDlg dialog;
    RunLive(dialog, VIEW_PROGRESS, [&](TestMonitorDlg& d) {
        ASSERT_TRUE(Until(d, [&](TestMonitorDlg& w) {
            return Item(w.m_hWnd, IDC_PAUSE) == Text(1603) && ::IsWindowVisible(w.m_hWnd);
        }));
        d.Do([](TestMonitorDlg& w) {
            EXPECT_EQ(w.m_Animation.IconName(), MAKEINTRESOURCEA(640)) << "the paused icon";
        });
        ::SendMessageA(::GetDlgItem(d.Window(), IDC_PAUSE), BM_CLICK, 0, 0);
        ASSERT_TRUE(WaitUntil([&] {
            std::lock_guard<std::mutex> hold(pm_->lock);
            return !pm_->commands.empty();
        }));
        {
            std::lock_guard<std::mutex> hold(pm_->lock);
            EXPECT_EQ(pm_->commands[0], std::make_pair(number, 2));
        }
        pm_->With([&](FakePrintManager& p) { p.Find(number)->state = 0x01; });
        EXPECT_TRUE(Until(d, [&](TestMonitorDlg& w) {
            return Item(w.m_hWnd, IDC_PAUSE) == Text(1602) && Enabled(w.m_hWnd, IDC_PAUSE) &&
                   w.m_Animation.IconName() == nullptr;
        }));
        EndAllJobs();
    });
}

TEST_F(ScenarioTest, PopupCancelSendsCommand3ForTheShownJob) {
    printer_.SetBytes(simstore::ReplyValue, kPaperOut); // keeps the popup open
    const int32_t number = AddJob(91, "Invoice");
    TestMonitorDlg dialog;
    RunLive(dialog, VIEW_POPUP, [&](TestMonitorDlg& d) {
        ASSERT_TRUE(Until(
            d, [](TestMonitorDlg& w) { return Item(w.m_hWnd, IDC_DOCUMENT_POPUP) == "Invoice"; }));
        ::SendMessageA(::GetDlgItem(d.Window(), IDC_CANCEL_POPUP), BM_CLICK, 0, 0);
        d.Do([](TestMonitorDlg& w) { EXPECT_FALSE(Enabled(w.m_hWnd, IDC_CANCEL_POPUP)); });
        ASSERT_TRUE(WaitUntil([&] {
            std::lock_guard<std::mutex> hold(pm_->lock);
            return !pm_->commands.empty();
        }));
        {
            std::lock_guard<std::mutex> hold(pm_->lock);
            EXPECT_EQ(pm_->commands[0], std::make_pair(number, 3));
        }
        EndJob(number, 91);
        EXPECT_TRUE(Until(d, [](TestMonitorDlg& w) { return w.m_View == VIEW_DETAIL; }))
            << "the job is gone: the detail view";
    });
}

// Another component adds a job to the running window by message 1029.
TEST_F(ScenarioTest, JobAddedByMessageTurnsTheDetailViewIntoTheMeter) {
    FakeJob job;
    job.spoolerId = 101;
    job.document = "Added later";
    spooler_->Learn(101);
    pm_->Add(job);
    TestMonitorDlg dialog;
    RunLive(dialog, VIEW_DETAIL, [&](TestMonitorDlg& d) {
        ::PostMessageA(d.Window(), WM_ADD_PRINT_JOB, 0, 101);
        EXPECT_TRUE(Until(d, [](TestMonitorDlg& w) {
            return w.m_View == VIEW_PROGRESS && Item(w.m_hWnd, IDC_DOCUMENT_PM) == "Added later";
        }));
        EndAllJobs();
    });
}

TEST_F(ScenarioTest, SystemCommand912OpensTheVersionDialog) {
    TestMonitorDlg dialog;
    RunLive(dialog, VIEW_DETAIL, [&](TestMonitorDlg& d) {
        ::PostMessageA(d.Window(), WM_SYSCOMMAND, 912, 0);
        HWND version = nullptr;
        ASSERT_TRUE(WaitUntil([&] { return (version = FindOtherDialog(d.Window())) != nullptr; }));
        ::PostMessageA(version, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(version); }));
        EXPECT_TRUE(::IsWindow(d.Window())) << "the window goes on";
    });
}

// At set-up the window enters its handle in the printing side's table (kind 1),
// and the library is told to notify it (option 4 with its handle).
TEST_F(ScenarioTest, WindowRegistersInTheSharedTableAndWithTheLibrary) {
    SharedTables tables(true);
    ASSERT_TRUE(tables.IsOpen());
    const KvrMapGeometry* geometry = nullptr;
    uint8_t* table = tables.TableFor(demo::PrinterName, &geometry);
    ASSERT_NE(table, nullptr);
    (void)KvrClaim(table, geometry->mappingSize, *geometry, demo::PrinterName, 0,
                   static_cast<int32_t>(::GetCurrentProcessId()));
    TestMonitorDlg dialog;
    RunLive(dialog, VIEW_DETAIL, [&](TestMonitorDlg& d) {
        const KvrFindResult found =
            KvrFind(table, geometry->mappingSize, *geometry, demo::PrinterName);
        ASSERT_EQ(found.outcome, KvrFindResult::Found);
        EXPECT_EQ(KvrReadField(table + found.offset, *geometry, 1),
                  static_cast<int32_t>(reinterpret_cast<INT_PTR>(d.Window())));

        int channel = 0;
        ASSERT_TRUE(
            Until(d, [&](TestMonitorDlg& w) { return (channel = w.m_Channel.m_hStat) != 0; }));
        Registry open(HKEY_CURRENT_USER, simstore::OpenChannelsPath);
        const std::string own = std::to_string(::GetCurrentProcessId()) + "-";
        DWORD window = 0;
        for (DWORD i = 0;; ++i) {
            const std::string tag = open.EnumKey(i);
            if (tag.empty())
                break;
            if (tag.compare(0, own.size(), own) != 0)
                continue;
            Registry entry(HKEY_CURRENT_USER, (std::string(simstore::OpenChannelsPath) + "\\" +
                                               tag + "\\" + std::to_string(channel))
                                                  .c_str());
            if (entry.IsOpen())
                window = entry.GetDword("Window", 0);
        }
        EXPECT_EQ(window, static_cast<DWORD>(reinterpret_cast<UINT_PTR>(d.Window())));
    });
    (void)KvrRelease(table, geometry->mappingSize, *geometry, demo::PrinterName, 0);
}

// Fault: a failure before the first good reply showed status 36; the switch is
// read only after a good reply with a status.
TEST_F(ScenarioTest, StatusErrorSwitchCountsOnlyAfterAGoodReply) {
    settingsFile_ = SettingsWith("EnableGetStatusErr=0", "EnableGetStatusErr=1");
    printer_.SetBytes(simstore::ReplyValue, "garbage");
    MessageBoxWatcher boxes;
    TestMonitorDlg dialog;
    RunLive(dialog, VIEW_DETAIL, [&](TestMonitorDlg& d) {
        ASSERT_TRUE(
            Until(d, [](TestMonitorDlg& w) { return w.m_StatusNumber != StatusNumberNone; }));
        d.Do([&](TestMonitorDlg& w) {
            EXPECT_EQ(w.m_StatusNumber, 0);
            EXPECT_EQ(Item(w.m_hWnd, IDC_MESSAGE), Text(2002));
            EXPECT_EQ(w.m_PictureKind, 6);
        });
        printer_.SetBytes(simstore::ReplyValue, kPaperOut);
        ASSERT_TRUE(Until(d, [](TestMonitorDlg& w) { return w.m_StatusNumber == 5; }));
        printer_.SetBytes(simstore::ReplyValue, "garbage");
        EXPECT_TRUE(Until(d, [&](TestMonitorDlg& w) {
            return w.m_StatusNumber == 36 && Item(w.m_hWnd, IDC_MESSAGE) == Text(3058) &&
                   w.m_PictureKind == 17;
        }));
    });
}

// The model's debug switch reads a fixed reply from the registry instead of the printer.
TEST_F(ScenarioTest, DebugSwitchTakesTheReplyFromTheDebugKey) {
    IdleInterval = 2;
    settingsFile_ = SettingsWith("Debug=0", "Debug=1");
    KeyBackup debug(HKEY_LOCAL_MACHINE, "software\\VORNE\\KVR7\\Debug");
    debug.SetString("Status", kCoverOpen);
    TestMonitorDlg dialog;
    RunLive(dialog, VIEW_DETAIL, [&](TestMonitorDlg& d) {
        ASSERT_TRUE(Until(d, [&](TestMonitorDlg& w) {
            return w.m_StatusNumber == 32 && Item(w.m_hWnd, IDC_MESSAGE) == Text(3008);
        }));
        d.Do([](TestMonitorDlg& w) {
            EXPECT_EQ(w.m_Channel.m_StatChannel, 0x10010003);
            EXPECT_EQ(w.m_Channel.m_hStat, 0) << "no device channel is opened";
        });
        debug.Clear();
        EXPECT_TRUE(Until(d, [&](TestMonitorDlg& w) {
            return w.m_StatusNumber == 0 && Item(w.m_hWnd, IDC_MESSAGE) == Text(2002);
        }));
    });
}

// A channel of the other reply layout: status 35, counted as a failed read.
TEST_F(ScenarioTest, OtherReplyLayoutIsStatus35) {
    printer_.SetBytes(simstore::ChannelsValue, Channels({{0x02000001, 4, 1}}));
    MessageBoxWatcher boxes;
    TestMonitorDlg dialog;
    RunLive(dialog, VIEW_DETAIL, [&](TestMonitorDlg& d) {
        ASSERT_TRUE(Until(d, [](TestMonitorDlg& w) { return w.m_StatusNumber == 35; }));
        d.Do([&](TestMonitorDlg& w) {
            EXPECT_EQ(w.m_Channel.m_StatChannel, 0x02000001);
            EXPECT_EQ(w.m_ErrorNoticeState, 1);
            EXPECT_EQ(Item(w.m_hWnd, IDC_MESSAGE), Text(2001)) << "the display is unchanged";
        });
    });
}

// Printing to a file: the meter shows no ink area and takes no status.
TEST_F(ScenarioTest, FilePortMeterShowsNoInkAreaAndTakesNoStatus) {
    IdleInterval = 2;
    portName_ = "FILE:";
    AddJob(111, "To a file");
    TestMonitorDlg dialog;
    RunLive(dialog, VIEW_PROGRESS, [&](TestMonitorDlg& d) {
        ASSERT_TRUE(Until(d, [](TestMonitorDlg& w) { return ::IsWindowVisible(w.m_hWnd); }));
        ASSERT_TRUE(MoreTicks(d, 8, 2));
        d.Do([](TestMonitorDlg& w) {
            EXPECT_FALSE(Shown(w.m_hWnd, IDC_INK_CAPTION));
            EXPECT_FALSE(Shown(w.m_hWnd, IDC_INK_1));
            EXPECT_EQ(w.m_Channel.m_hStat, 0);
            EXPECT_EQ(w.m_StatusNumber, StatusNumberNone);
        });
        EndAllJobs();
    });
}

// A popup starts from the reply the printing side stored.
TEST_F(ScenarioTest, PopupStartsFromTheStoredReply) {
    struct Case {
        std::string reply;
        DWORD comStatus;
        int status;
        UINT message;
    };
    const Case cases[] = {
        {kPaperOut, 1, 5, 3012},  {"hbm\x01\x02", 1, 35, 3058}, {kPaperOut, 3, 16, 3025},
        {kPaperOut, 4, 36, 3058}, {"@BDC", 1, 0, 2002},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        EXPECT_TRUE(
            Target().SetBinary("Status", c.reply.data(), static_cast<DWORD>(c.reply.size())));
        EXPECT_TRUE(Target().SetDword("ComStatus", c.comStatus));
        TestMonitorDlg dialog;
        dialog.m_bProgressTimerOn = 1; // the status timer would read the printer
        RunWindow(dialog, VIEW_POPUP, [&](TestMonitorDlg& d) {
            d.Do([&](TestMonitorDlg& w) {
                EXPECT_EQ(w.m_StatusNumber, c.status);
                EXPECT_EQ(Item(w.m_hWnd, IDC_MESSAGE), Text(c.message));
            });
        });
    }
}

// Sounds play while printing, once per change of result code, again when a
// result code comes back after another; never while idle.
TEST_F(ScenarioTest, SoundsPlayOncePerChangeWhilePrinting) {
    IdleInterval = 2;
    SoundRecorder sounds;
    ASSERT_TRUE(sounds.Hooked());
    JobMapping mapping;
    auto store = [&](const std::string& reply) {
        EXPECT_TRUE(Target().SetBinary("Status", reply.data(), static_cast<DWORD>(reply.size())));
        EXPECT_TRUE(Target().SetDword("ComStatus", 1));
    };
    store(kPaperOut);
    TestMonitorDlg dialog;
    RunLive(dialog, VIEW_DETAIL, [&](TestMonitorDlg& d) {
        int expected = 0;
        int lastResult = -1;
        for (const std::string* reply : {&kPaperOut, &kCoverOpen, &kPaperOut}) {
            store(*reply);
            int status = 0;
            ASSERT_TRUE(Until(d, [&](TestMonitorDlg& w) {
                status = w.m_StatusNumber;
                return Target().GetDword("ComStatus", 9) == 2 && w.m_SoundedItem >= 0;
            }));
            // The same reply again, read at the next ticks: no second sound.
            store(*reply);
            ASSERT_TRUE(WaitUntil([&] { return Target().GetDword("ComStatus", 9) == 2; }));
            ASSERT_TRUE(MoreTicks(d, 8, 1));
            d.Do([&](TestMonitorDlg& w) {
                int sound = 0;
                int result = 0;
                w.IsNotifyStatus(status, &sound, &result);
                if (result != lastResult && sound)
                    ++expected;
                lastResult = result;
                EXPECT_EQ(w.m_SoundedItem, result);
            });
            EXPECT_EQ(static_cast<int>(sounds.Played().size()), expected);
        }
        EXPECT_GE(expected, 2) << "the states chosen have sounds";
        mapping.Close();
        ASSERT_TRUE(Until(d, [](TestMonitorDlg& w) { return w.m_bPrinting == 0; }));
        printer_.SetBytes(simstore::ReplyValue, kCoverOpen);
        ASSERT_TRUE(Until(d, [](TestMonitorDlg& w) { return w.m_StatusNumber == 32; }));
        EXPECT_EQ(static_cast<int>(sounds.Played().size()), expected) << "idle: silent";
    });
}

// The ink area: levels in blocks, 255 as "not reported", levels clamped to 100,
// the warning marks, and the controls enabled again when levels come back.
TEST_F(ScenarioTest, InkAreaShowsLevelsMarksAndUnreportedInks) {
    IdleInterval = 2;
    TestMonitorDlg dialog;
    RunLive(dialog, VIEW_DETAIL, [&](TestMonitorDlg& d) {
        d.Do([](TestMonitorDlg& w) { InkSpy::Attach(w.m_hWnd); });
        auto show = [&](const std::string& reply,
                        const std::function<bool(TestMonitorDlg&)>& shown) {
            d.Do([&](TestMonitorDlg&) {
                InkSpy::Log().clear();
                printer_.SetBytes(simstore::ReplyValue, reply);
            });
            return Until(d, shown);
        };
        auto allEnabled = [](TestMonitorDlg& w) {
            bool on = Enabled(w.m_hWnd, IDC_INK_CAPTION);
            for (int id : InkSpy::kInkIds)
                on = on && Enabled(w.m_hWnd, id);
            return on;
        };

        ASSERT_TRUE(show("@BDC ST\r\nST:04;IQ:7F4B3C2D1E64;\x0C", [&](TestMonitorDlg& w) {
            return InkSpy::Last(325, 10) && allEnabled(w);
        }));
        d.Do([](TestMonitorDlg&) {
            const std::array<LONG, 7> levels = {6, 100, 75, 60, 45, 30, 100};
            EXPECT_EQ(InkSpy::Last(321, 10)->block, levels) << "127 is shown as 100";
            EXPECT_EQ(InkSpy::Last(314, 10)->block[1], 100);
            EXPECT_EQ(InkSpy::Last(321, 11), nullptr) << "no marks without warnings";
        });

        ASSERT_TRUE(show("@BDC ST\r\nST:04;IQ:NA4B3C2D1E64;\x0C", [](TestMonitorDlg& w) {
            return !Enabled(w.m_hWnd, IDC_INK_1) && InkSpy::Last(325, 10);
        })) << "the first ink not reported";
        d.Do([](TestMonitorDlg& w) {
            EXPECT_TRUE(Enabled(w.m_hWnd, 321) && Enabled(w.m_hWnd, 325));
            EXPECT_EQ(InkSpy::Last(314, 10), nullptr);
        });
        ASSERT_TRUE(show("@BDC ST\r\nST:04;IQ:5A4B3CNA1E64;\x0C", [](TestMonitorDlg& w) {
            return Enabled(w.m_hWnd, IDC_INK_1) && !Enabled(w.m_hWnd, 321) &&
                   !Enabled(w.m_hWnd, 325);
        })) << "one of the other five not reported: all five off";

        ASSERT_TRUE(show(kCyanLow, [](TestMonitorDlg& w) {
            return w.m_StatusNumber == 13 && InkSpy::Last(321, 11);
        }));
        d.Do([](TestMonitorDlg&) {
            for (int id : InkSpy::kInkIds) {
                if (id != 321) {
                    EXPECT_EQ(InkSpy::Last(id, 11), nullptr) << id;
                }
            }
            EXPECT_EQ(InkSpy::Last(321, 12), nullptr);
        });
        ASSERT_TRUE(show(kCyanOut, [](TestMonitorDlg& w) {
            return w.m_StatusNumber == 4 && InkSpy::Last(321, 12);
        }));

        ASSERT_TRUE(show("garbage", [](TestMonitorDlg& w) {
            return w.m_StatusNumber == 0 && !Enabled(w.m_hWnd, IDC_INK_CAPTION) &&
                   !Enabled(w.m_hWnd, IDC_INK_1);
        }));
        EXPECT_TRUE(show(kReady, allEnabled)) << "levels are back: the controls too";
    });
}

// Time left in minutes from 60 s on; a job that ends is drawn complete.
TEST_F(ScenarioTest, TimeLeftInMinutesAndAFullBarAtTheEnd) {
    FakeJob job;
    job.spoolerId = 121;
    job.document = "Long";
    job.timeLeft = 150;
    job.progress[0] = 100;
    spooler_->Learn(121);
    const int32_t number = pm_->Add(job);
    jobs_->AddJob(121);
    TestMonitorDlg dialog;
    RunLive(dialog, VIEW_PROGRESS, [&](TestMonitorDlg& d) {
        ASSERT_TRUE(Until(d, [&](TestMonitorDlg& w) {
            return Item(w.m_hWnd, IDC_TIME_LEFT) == FormatIntegers(Text(1702).c_str(), {2});
        }));
        // The bar as drawn: the filled share of its middle row.
        const COLORREF colour = ::GetSysColor(COLOR_ACTIVECAPTION);
        auto filled = [&](TestMonitorDlg& w) {
            Capture bar(::GetDlgItem(w.m_hWnd, IDC_PROGRESS));
            return bar.width() > 0 ? bar.CountInRow(bar.height() / 2, colour) * 100 / bar.width()
                                   : -1;
        };
        EXPECT_TRUE(Until(d, [&](TestMonitorDlg& w) {
            const int share = filled(w);
            return share >= 20 && share <= 30;
        })) << "a quarter done";
        EndJob(number, 121);
        ASSERT_TRUE(Until(d, [&](TestMonitorDlg& w) {
            return Item(w.m_hWnd, IDC_TIME_LEFT) == FormatIntegers(Text(1703).c_str(), {0});
        }));
        EXPECT_TRUE(Until(d, [&](TestMonitorDlg& w) { return filled(w) == 100; }))
            << "the bar is drawn full";
        EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(d.Window()); }));
    });
}

} // namespace
