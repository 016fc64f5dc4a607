// The job monitor's rules, against a print manager and a spooler of the tests'
// own, with short polling intervals. Also built with ThreadSanitizer.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "FakePrintManager.h"
#include "jobs/JobMonitor.h"

namespace {

class JobMonitorTest : public testing::Test {
protected:
    void SetUp() override { monitor = Make(); }

    std::unique_ptr<JobMonitor> Make(unsigned pollMs = 1) {
        std::shared_ptr<FakePrintManager> shared = pm;
        auto made =
            std::make_unique<JobMonitor>([shared] { return std::make_unique<FakeClient>(shared); },
                                         spooler, JobMonitorTiming{pollMs, 0});
        made->SetPrinter("Kestrel_K7", "USB001");
        return made;
    }

    // Ends every job and lets the spooler forget every id, so that the run ends
    // and the monitor's destructor returns.
    void TearDown() override {
        pm->With([](FakePrintManager& p) {
            for (FakeJob& job : p.jobs)
                job.active = false;
        });
        spooler->ForgetAll();
        monitor.reset();
    }

    template <typename T> T Read(T FakePrintManager::*field) {
        std::lock_guard<std::mutex> hold(pm->lock);
        return (*pm).*field;
    }

    int32_t Watched(int32_t spoolerId, FakeJob job = {}) {
        job.spoolerId = spoolerId;
        if (job.document.empty())
            job.document = "doc-" + std::to_string(spoolerId);
        spooler->Learn(spoolerId);
        return pm->Add(job);
    }

    // Waits for refreshes of a watched job beyond the current count.
    bool RefreshesPass(int count) {
        int mark = Read(&FakePrintManager::refreshes);
        return WaitFor([&] { return Read(&FakePrintManager::refreshes) >= mark + count; });
    }

    JobInfo Info() {
        JobInfo info{};
        EXPECT_EQ(monitor->GetJobInfo(&info), 1);
        return info;
    }

    std::shared_ptr<FakePrintManager> pm = std::make_shared<FakePrintManager>();
    std::shared_ptr<FakeSpooler> spooler = std::make_shared<FakeSpooler>();
    std::unique_ptr<JobMonitor> monitor;
};

TEST_F(JobMonitorTest, SetPrinterOnlyOnce) {
    JobMonitor fresh({}, nullptr);
    EXPECT_EQ(fresh.SetPrinter("A", ""), 1);
    EXPECT_EQ(fresh.SetPrinter("B", "C"), 0);
    JobMonitor byPort({}, nullptr);
    EXPECT_EQ(byPort.SetPrinter("", "USB001"), 1);
    EXPECT_EQ(byPort.SetPrinter("A", ""), 0);
}

TEST_F(JobMonitorTest, AddJobStartsOneRunAndListsEachIdOnce) {
    spooler->Learn(5);
    spooler->Learn(6);
    EXPECT_EQ(monitor->AddJob(5), 1);
    EXPECT_EQ(monitor->AddJob(6), 1);
    EXPECT_EQ(monitor->AddJob(5), 0);
    EXPECT_EQ(monitor->GetJobCount(), 2);
    ASSERT_TRUE(WaitFor([&] { return Read(&FakePrintManager::openQueues) >= 3; }));
    EXPECT_EQ(Read(&FakePrintManager::opens), 1);

    // Both leave the spooler: the run ends by itself, and the next id starts a new one.
    spooler->Forget({5, 6});
    ASSERT_TRUE(WaitFor([&] { return Read(&FakePrintManager::closes) == 1; }));
    EXPECT_EQ(monitor->GetJobCount(), 0);
    spooler->Learn(7);
    EXPECT_EQ(monitor->AddJob(7), 1);
    ASSERT_TRUE(WaitFor([&] { return Read(&FakePrintManager::opens) == 2; }));
}

TEST_F(JobMonitorTest, UnreachablePrintManagerEndsTheRunAndKeepsTheList) {
    pm->failOpen = true;
    spooler->Learn(5);
    EXPECT_EQ(monitor->AddJob(5), 1);
    ASSERT_TRUE(WaitFor([&] { return Read(&FakePrintManager::opens) == 1; }));
    EXPECT_EQ(monitor->AddJob(6), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(Read(&FakePrintManager::opens), 1) << "no new run while ids are listed";
    EXPECT_EQ(monitor->GetJobCount(), 2);
    EXPECT_EQ(monitor->GetJobInfo(nullptr), 0);
    EXPECT_EQ(Read(&FakePrintManager::openQueues), 0);
}

TEST_F(JobMonitorTest, JobLeavingTheSpoolerUnreportedIsDroppedUnwatched) {
    spooler->Learn(5);
    monitor->AddJob(5);
    ASSERT_TRUE(WaitFor([&] { return Read(&FakePrintManager::openQueues) >= 1; }));
    spooler->Forget({5});
    ASSERT_TRUE(WaitFor([&] { return Read(&FakePrintManager::closes) == 1; }));
    EXPECT_EQ(monitor->GetJobCount(), 0);
    EXPECT_EQ(Read(&FakePrintManager::watchBegins), 0);
}

TEST_F(JobMonitorTest, AdjacentVanishedIdsGoInOneLook) {
    for (int32_t id : {1, 2, 3, 4}) {
        spooler->Learn(id);
        monitor->AddJob(id);
    }
    ASSERT_TRUE(WaitFor([&] { return spooler->Opens() >= 2; }));
    size_t before = spooler->Asked().size();
    spooler->Forget({2, 3});
    ASSERT_TRUE(WaitFor([&] { return monitor->GetJobCount() == 2; }));

    int looks = spooler->Opens();
    ASSERT_TRUE(WaitFor([&] { return spooler->Opens() > looks + 1; }));

    // The look that found 2 gone asked about 3 as well and dropped both: every
    // look saw either the whole list or the two survivors.
    std::vector<std::vector<int32_t>> asked = spooler->Asked();
    for (size_t i = before; i < asked.size(); ++i) {
        bool whole = asked[i] == std::vector<int32_t>{1, 2, 3, 4};
        bool survivors = asked[i] == std::vector<int32_t>{1, 4};
        EXPECT_TRUE(whole || survivors) << "a look asked about " << asked[i].size() << " ids";
    }
    EXPECT_EQ(monitor->GetJobCount(), 2);
}

TEST_F(JobMonitorTest, NoPruningInRegistryModeOrWithoutAPrinterName) {
    monitor->SetRegistryMode(1);
    monitor->AddJob(5); // unknown to the spooler
    ASSERT_TRUE(WaitFor([&] { return Read(&FakePrintManager::openQueues) >= 3; }));
    EXPECT_EQ(monitor->GetJobCount(), 1);
    EXPECT_EQ(spooler->Opens(), 0);
    // The list empties only when the job has been watched to its end.
    Watched(5);
    ASSERT_TRUE(WaitFor([&] { return Read(&FakePrintManager::watchBegins) == 1; }));
    pm->With([](FakePrintManager& p) { p.jobs[0].active = false; });
    ASSERT_TRUE(WaitFor([&] { return monitor->GetJobCount() == 0; }));

    std::unique_ptr<JobMonitor> byPort =
        std::make_unique<JobMonitor>([shared = pm] { return std::make_unique<FakeClient>(shared); },
                                     spooler, JobMonitorTiming{1, 0});
    byPort->SetPrinter("", "USB001");
    int looks = spooler->Opens();
    byPort->AddJob(9);
    ASSERT_TRUE(WaitFor([&] { return Read(&FakePrintManager::openQueues) >= 8; }));
    EXPECT_EQ(spooler->Opens(), looks);
    EXPECT_EQ(byPort->GetJobCount(), 1);
    Watched(9);
    ASSERT_TRUE(WaitFor([&] { return Read(&FakePrintManager::watchBegins) == 2; }));
    pm->With([](FakePrintManager& p) { p.jobs[1].active = false; });
    ASSERT_TRUE(WaitFor([&] { return byPort->GetJobCount() == 0; }));
}

TEST_F(JobMonitorTest, WatchesTheListedJobAndClearsTheRecordAfterwards) {
    // A job of another application comes first; it is not watched.
    FakeJob foreign;
    foreign.spoolerId = 900;
    int32_t other = pm->Add(foreign);
    FakeJob mine;
    mine.media[1] = 258;
    mine.sheets[0] = 2;
    int32_t number = Watched(12, mine);
    monitor->AddJob(12);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(Read(&FakePrintManager::watchBegins), 0);
    EXPECT_EQ(monitor->GetJobInfo(nullptr), 0);

    pm->With([&](FakePrintManager& p) { p.Find(other)->active = false; });
    ASSERT_TRUE(WaitFor([&] { return monitor->GetJobInfo(nullptr) == 1; }));
    JobInfo info = Info();
    EXPECT_EQ(info.jobId, 12);
    EXPECT_EQ(JobDocumentText(info), "doc-12");
    EXPECT_EQ(info.values21[1], 258);
    EXPECT_EQ(info.value102[0], 2);
    EXPECT_EQ(info.value102[1], 4);
    EXPECT_EQ(info.value103[1], 400);
    EXPECT_EQ(info.has104, 1);
    EXPECT_EQ(info.value104, 60);

    pm->With([&](FakePrintManager& p) { p.Find(number)->active = false; });
    ASSERT_TRUE(WaitFor([&] { return monitor->GetJobCount() == 0; }));
    EXPECT_EQ(monitor->GetJobInfo(nullptr), 0);
    EXPECT_EQ(Read(&FakePrintManager::watchBegins), 1);
    EXPECT_EQ(Read(&FakePrintManager::watchEnds), 1);
}

TEST_F(JobMonitorTest, CommandsFollowTheStateBits) {
    struct Case {
        int32_t state;
        int32_t command;
        int32_t sent; // 0: nothing is sent
    };
    const Case cases[] = {
        {0x01, 1, 1}, {0x01, 2, 0}, {0x01, 3, 3}, // printing
        {0x11, 1, 0}, {0x11, 2, 2}, {0x11, 3, 3}, // paused
        {0x09, 1, 0}, {0x09, 2, 0}, {0x09, 3, 3}, // a pause under way
        {0x19, 1, 0}, {0x19, 2, 0}, {0x19, 3, 3}, // its release under way
        {0x01, 0, 0}, {0x01, 9, 0},               // nothing to do, an unknown code
    };
    int32_t spoolerId = 100;
    for (const Case& c : cases) {
        SCOPED_TRACE("state " + std::to_string(c.state) + " command " + std::to_string(c.command));
        FakeJob job;
        job.state = c.state;
        int32_t number = Watched(++spoolerId, job);
        monitor->AddJob(spoolerId);
        ASSERT_TRUE(WaitFor([&] { return monitor->GetJobInfo(nullptr) == 1; }));
        size_t before = Read(&FakePrintManager::commands).size();
        monitor->RequestCommand(spoolerId, c.command);
        ASSERT_TRUE(RefreshesPass(3));
        std::vector<std::pair<int32_t, int32_t>> sent = Read(&FakePrintManager::commands);
        if (c.sent) {
            ASSERT_EQ(sent.size(), before + 1);
            EXPECT_EQ(sent.back(), std::make_pair(number, c.sent));
        } else {
            EXPECT_EQ(sent.size(), before);
        }
        pm->With([&](FakePrintManager& p) { p.Find(number)->active = false; });
        ASSERT_TRUE(WaitFor([&] { return monitor->GetJobCount() == 0; }));
    }
}

TEST_F(JobMonitorTest, CommandForAnotherJobIsDroppedAndZeroMeansAny) {
    int32_t number = Watched(10);
    monitor->AddJob(10);
    ASSERT_TRUE(WaitFor([&] { return monitor->GetJobInfo(nullptr) == 1; }));
    monitor->RequestCommand(11, 3);
    ASSERT_TRUE(RefreshesPass(3));
    EXPECT_TRUE(Read(&FakePrintManager::commands).empty());
    // A later command replaces one not yet taken; 0 addresses the watched job.
    monitor->RequestCommand(0, 3);
    ASSERT_TRUE(RefreshesPass(3));
    EXPECT_EQ(Read(&FakePrintManager::commands),
              (std::vector<std::pair<int32_t, int32_t>>{{number, 3}}));
}

TEST_F(JobMonitorTest, FailedRefreshKeepsTheLastValues) {
    pm->failingKinds = {101};
    FakeJob job;
    job.sheets[0] = 1;
    int32_t number = Watched(20, job);
    monitor->AddJob(20);
    ASSERT_TRUE(WaitFor([&] { return Read(&FakePrintManager::watchBegins) == 1; }));
    int mark = Read(&FakePrintManager::reads);
    ASSERT_TRUE(WaitFor([&] { return Read(&FakePrintManager::reads) > mark + 30; }));
    EXPECT_EQ(monitor->GetJobInfo(nullptr), 0) << "no values before a refresh succeeded";

    pm->With([](FakePrintManager& p) { p.failingKinds.clear(); });
    ASSERT_TRUE(WaitFor([&] { return monitor->GetJobInfo(nullptr) == 1; }));
    pm->With([&](FakePrintManager& p) {
        p.failingKinds = {102};
        p.Find(number)->sheets[0] = 3;
        p.Find(number)->state = 0x11;
    });
    mark = Read(&FakePrintManager::reads);
    ASSERT_TRUE(WaitFor([&] { return Read(&FakePrintManager::reads) > mark + 30; }));
    JobInfo info = Info();
    EXPECT_EQ(info.value102[0], 1);
    EXPECT_EQ(info.state, 0x01);

    pm->With([](FakePrintManager& p) { p.failingKinds.clear(); });
    ASSERT_TRUE(WaitFor([&] {
        JobInfo now{};
        return monitor->GetJobInfo(&now) && now.value102[0] == 3 && now.state == 0x11;
    }));
}

TEST_F(JobMonitorTest, MissingOptionalValuesReadAsZero) {
    pm->failingKinds = {21, 104};
    FakeJob job;
    job.media[0] = 7;
    Watched(30, job);
    monitor->AddJob(30);
    ASSERT_TRUE(WaitFor([&] { return monitor->GetJobInfo(nullptr) == 1; }));
    JobInfo info = Info();
    EXPECT_EQ(info.values21[0], 0);
    EXPECT_EQ(info.values21[1], 0);
    EXPECT_EQ(info.has104, 0);
    EXPECT_EQ(info.value104, 0);
}

TEST_F(JobMonitorTest, DocumentNamesStayWithinTheRecord) {
    struct Case {
        const char* name;
        std::string document;
        bool neededSet;
        int32_t needed;
        bool unterminated;
        std::string expected;
    };
    const std::string seventy(70, 'D');
    const Case cases[] = {
        {"long name fills the field", seventy, false, 0, false, seventy.substr(0, 64)},
        {"exactly 64", std::string(64, 'E'), false, 0, false, std::string(64, 'E')},
        {"negative size", "name", true, -5, false, ""},
        {"absurd size", "name", true, 0x7FFFFFFF, false, ""},
        {"no terminator", "name", true, 10, true, std::string(10, 'U')},
        {"empty", "", false, 0, false, ""},
    };
    int32_t spoolerId = 40;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        pm->With([&](FakePrintManager& p) {
            p.documentNeededSet = c.neededSet;
            p.documentNeeded = c.needed;
            p.documentUnterminated = c.unterminated;
        });
        FakeJob job;
        job.document = c.document.empty() ? std::string(1, '\0') : c.document;
        if (c.document.empty())
            job.document.clear();
        job.spoolerId = ++spoolerId;
        spooler->Learn(spoolerId);
        int32_t number = pm->Add(job);
        monitor->AddJob(spoolerId);
        ASSERT_TRUE(WaitFor([&] { return monitor->GetJobInfo(nullptr) == 1; }));
        JobInfo info = Info();
        EXPECT_EQ(JobDocumentText(info), c.expected);
        if (c.expected.size() == 64)
            EXPECT_NE(info.document[63], 0) << "a full field has no terminator";
        pm->With([&](FakePrintManager& p) { p.Find(number)->active = false; });
        ASSERT_TRUE(WaitFor([&] { return monitor->GetJobCount() == 0; }));
    }
}

TEST_F(JobMonitorTest, DocumentReadLaterWhenTheHeaderHadNone) {
    pm->failingKinds = {1};
    int32_t number = Watched(50);
    monitor->AddJob(50);
    ASSERT_TRUE(WaitFor([&] { return monitor->GetJobInfo(nullptr) == 1; }));
    EXPECT_EQ(JobDocumentText(Info()), "");
    pm->With([](FakePrintManager& p) { p.failingKinds.clear(); });
    ASSERT_TRUE(WaitFor([&] {
        JobInfo now{};
        return monitor->GetJobInfo(&now) && JobDocumentText(now) == "doc-50";
    }));
    (void)number;
}

// Runs call on another thread; false when it has not returned within limitMs
// (it is then left running, and the test has failed).
bool ReturnsWithin(int limitMs, std::function<void()> call, long* tookMs = nullptr) {
    auto done = std::make_shared<std::atomic<bool>>(false);
    auto start = std::chrono::steady_clock::now();
    std::thread runner([call = std::move(call), done] {
        call();
        *done = true;
    });
    bool returned = WaitFor([&] { return done->load(); }, limitMs);
    if (tookMs)
        *tookMs = static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now() - start)
                                        .count());
    if (returned)
        runner.join();
    else
        runner.detach();
    return returned;
}

// The bound the destructor keeps: twice the stop wait, plus room for a loaded machine.
constexpr int DestructorLimitMs = 2 * 1000 + 1500;

TEST_F(JobMonitorTest, EndWhileAJobPrintsStopsTheRunAtOnce) {
    monitor = Make(1000); // the run sleeps a second between refreshes
    Watched(60);
    monitor->AddJob(60);
    ASSERT_TRUE(RefreshesPass(1));
    JobMonitor* raw = monitor.release();
    long took = 0;
    ASSERT_TRUE(ReturnsWithin(
        DestructorLimitMs, [raw] { delete raw; }, &took))
        << "the end of the window waited for the job to finish";
    EXPECT_LT(took, 900) << "a sleeping run wakes up for the stop";
    EXPECT_EQ(Read(&FakePrintManager::watchEnds), 1) << "the print manager hears the watch end";
    EXPECT_EQ(Read(&FakePrintManager::closes), 1);
    pm->With([](FakePrintManager& p) { EXPECT_TRUE(p.jobs[0].active); });
}

TEST_F(JobMonitorTest, EndWhileThePrintManagerHangsReturnsWithinTheBound) {
    Watched(61);
    monitor->AddJob(61);
    ASSERT_TRUE(WaitFor([&] { return Read(&FakePrintManager::watchBegins) == 1; }));
    pm->hang.In("IsJobActive");
    ASSERT_TRUE(WaitFor([&] { return pm->hang.Held() == 1; }));
    JobMonitor* raw = monitor.release();
    ASSERT_TRUE(ReturnsWithin(DestructorLimitMs, [raw] { delete raw; }))
        << "the end of the window waited for a print manager that never answers";
    // The run that was let go ends on its own once the call comes back.
    pm->hang.LetGo();
    EXPECT_TRUE(WaitFor([&] { return Read(&FakePrintManager::closes) == 1; }));
    EXPECT_EQ(Read(&FakePrintManager::watchEnds), 1);
}

TEST_F(JobMonitorTest, EmptyPrinterNameNeverHoldsTheEnd) {
    auto shared = pm;
    monitor = std::make_unique<JobMonitor>(
        [shared] { return std::make_unique<FakeClient>(shared); }, spooler, JobMonitorTiming{1, 0});
    monitor->SetPrinter("", "USB001");
    monitor->AddJob(62); // the print manager never reports it, the spooler cannot be asked
    ASSERT_TRUE(WaitFor([&] { return Read(&FakePrintManager::openQueues) >= 3; }));
    JobMonitor* raw = monitor.release();
    EXPECT_TRUE(ReturnsWithin(DestructorLimitMs, [raw] { delete raw; }));
    EXPECT_TRUE(WaitFor([&] { return Read(&FakePrintManager::closes) == 1; }));
}

TEST_F(JobMonitorTest, AddJobNeverWaitsForTheRunBefore) {
    Watched(63);
    monitor->AddJob(63);
    ASSERT_TRUE(WaitFor([&] { return Read(&FakePrintManager::watchBegins) == 1; }));
    pm->hang.In("Close"); // the run ends, but its print manager does not let it go
    pm->With([](FakePrintManager& p) { p.jobs[0].active = false; });
    ASSERT_TRUE(WaitFor([&] { return pm->hang.Held() == 1; }));
    ASSERT_EQ(monitor->GetJobCount(), 0);

    Watched(64);
    JobMonitor* raw = monitor.get();
    int added = -1;
    bool returned = ReturnsWithin(1000, [raw, &added] { added = raw->AddJob(64); });
    if (!returned) {
        pm->hang.LetGo(); // lets the waiting AddJob finish before the fixture ends
        ASSERT_TRUE(WaitFor([&] { return added != -1; }));
        FAIL() << "AddJob waited for the previous run's print manager";
    }
    EXPECT_EQ(added, 1);
    EXPECT_TRUE(WaitFor([&] { return Read(&FakePrintManager::watchBegins) == 2; }))
        << "a new run follows the new job while the old one still closes";
    pm->hang.LetGo();
}

TEST_F(JobMonitorTest, SlowSpoolerNeverHoldsTheWindowsCalls) {
    spooler->hang.In("Open");
    Watched(65);
    monitor->AddJob(65);
    ASSERT_TRUE(WaitFor([&] { return spooler->hang.Held() == 1; }));
    JobMonitor* raw = monitor.get();
    EXPECT_TRUE(ReturnsWithin(1000, [raw] {
        raw->GetJobCount();
        raw->GetJobInfo(nullptr);
        raw->RequestCommand(65, 3);
        raw->AddJob(66);
    })) << "the window's calls waited for the spooler";
    spooler->hang.LetGo();
}

// Many threads use the monitor while its worker watches quickly advancing jobs.
// Every copied record must be one the worker wrote whole: its document belongs to
// its job id and its figures to one refresh.
TEST_F(JobMonitorTest, ConcurrentUseSeesOnlyWholeRecords) {
    monitor = Make(0);
    constexpr int Jobs = 24;
    for (int i = 0; i < Jobs; ++i) {
        FakeJob job;
        job.advances = true;
        job.endAfter = 40;
        job.sheets[1] = 40;
        job.timeLeft = 100000;
        job.media[0] = static_cast<uint16_t>(1000 + i);
        Watched(1000 + i, job);
    }
    std::atomic<bool> stop{false};
    std::atomic<long> copies{0};
    std::atomic<long> torn{0};
    std::vector<std::thread> users;
    for (int t = 0; t < 4; ++t) {
        users.emplace_back([&, t] {
            std::mt19937 random(static_cast<unsigned>(t));
            while (!stop) {
                int32_t id = 1000 + static_cast<int32_t>(random() % Jobs);
                monitor->AddJob(id);
                monitor->GetJobCount();
                monitor->RequestCommand(id, static_cast<int32_t>(random() % 4));
                JobInfo info{};
                if (monitor->GetJobInfo(&info)) {
                    ++copies;
                    bool whole = JobDocumentText(info) == "doc-" + std::to_string(info.jobId) &&
                                 info.values21[0] == info.jobId &&
                                 info.value103[0] == info.value102[0] * 100 &&
                                 info.value104 == 100000 - info.value102[0];
                    if (!whole)
                        ++torn;
                }
            }
        });
    }
    bool finished = WaitFor(
        [&] {
            std::lock_guard<std::mutex> hold(pm->lock);
            return std::none_of(pm->jobs.begin(), pm->jobs.end(),
                                [](const FakeJob& job) { return job.active; });
        },
        60000);
    stop = true;
    for (std::thread& user : users)
        user.join();
    EXPECT_TRUE(finished);
    EXPECT_GT(copies.load(), 100);
    EXPECT_EQ(torn.load(), 0);
}

} // namespace
