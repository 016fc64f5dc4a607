// The job monitor with the real pieces: the print manager in vrkit10.dll on the
// shared job store, the system spooler (a CUPS queue under Wine), real polling.
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "JobTimeline.h"
#include "PmTestSupport.h"
#include "framework/Handles.h"
#include "jobs/JobMonitor.h"
#include "jobs/PmClient.h"
#include "jobs/PmValueKinds.h"
#include "jobs/WinSpoolerJobs.h"

namespace {

bool WaitUntil(const std::function<bool()>& done, int seconds) {
    DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > static_cast<DWORD>(seconds) * 1000)
            return false;
        ::Sleep(20);
    }
    return true;
}

StoredJob StoredCopy(int32_t number) {
    StoredJob copy{};
    ChangeStore([&](StoreHeader& s) { copy = *FindJobByNumber(s, number); });
    return copy;
}

TEST(JobMonitorWinTest, FollowsAScriptedJobThroughCommandsToItsEnd) {
    PrivateJobStore store;
    ScriptedJob script;
    script.spoolerId = 8101;
    script.printer = "MonitorQueue"; // not in the spooler: nothing is pruned
    script.document = "Brochure.pdf";
    script.sheets = 400;
    script.msPerSheet = 500;
    script.mediaType = 260;
    script.paperSize = 9;
    script.transitionMs = 300;
    int32_t number = ScriptJob(script);

    JobMonitor monitor;
    monitor.SetPrinter("MonitorQueue", "USB001");
    EXPECT_EQ(monitor.AddJob(8101), 1);
    JobInfo info{};
    ASSERT_TRUE(WaitUntil([&] { return monitor.GetJobInfo(&info) == 1; }, 10));
    EXPECT_EQ(info.jobId, 8101);
    EXPECT_EQ(JobDocumentText(info), "Brochure.pdf");
    EXPECT_EQ(info.values21[1], 260);
    EXPECT_EQ(info.value102[1], 400);
    EXPECT_EQ(info.value103[1], 40000);
    EXPECT_EQ(info.has104, 1);
    EXPECT_TRUE(info.state & JobBits::Printing);

    monitor.RequestCommand(8101, PmCommand::Pause);
    ASSERT_TRUE(
        WaitUntil([&] { return monitor.GetJobInfo(&info) && (info.state & JobBits::Paused); }, 10));
    int32_t pausedAt = info.value103[0];
    // A second pause is not sent while paused; the release is.
    monitor.RequestCommand(8101, PmCommand::Pause);
    ::Sleep(1500);
    EXPECT_EQ(StoredCopy(number).lastCommand, PmCommand::Pause);
    EXPECT_EQ(StoredCopy(number).commandCount, 1u);
    monitor.GetJobInfo(&info);
    EXPECT_EQ(info.value103[0], pausedAt) << "nothing moves while paused";

    monitor.RequestCommand(8101, PmCommand::Restart);
    ASSERT_TRUE(WaitUntil(
        [&] { return monitor.GetJobInfo(&info) && info.state == JobBits::Printing; }, 10));
    monitor.RequestCommand(8101, PmCommand::Cancel);
    ASSERT_TRUE(WaitUntil([&] { return monitor.GetJobCount() == 0; }, 10));
    EXPECT_EQ(monitor.GetJobInfo(nullptr), 0);
    StoredJob stored = StoredCopy(number);
    EXPECT_EQ(stored.ending, JobEnding::Cancelled);
    EXPECT_EQ(stored.commandCount, 3u);
    EXPECT_EQ(stored.watchBegins, 1u);
    EXPECT_EQ(stored.watchEnds, 1u);
}

TEST(JobMonitorWinTest, UnreachablePrintManagerLeavesTheListAndNoValues) {
    JobMonitor monitor([] { return std::make_unique<PmClient>(); },
                       std::make_shared<WinSpoolerJobs>(), JobMonitorTiming{}, "absent.dll");
    monitor.SetPrinter("MonitorQueue", "USB001");
    EXPECT_EQ(monitor.AddJob(1), 1);
    EXPECT_EQ(monitor.AddJob(2), 1);
    ::Sleep(300);
    EXPECT_EQ(monitor.GetJobCount(), 2);
    EXPECT_EQ(monitor.GetJobInfo(nullptr), 0);
}

// Jobs of this process's own spooler on the CUPS queue (scripts/cups start).
class SpoolerJobsTest : public testing::Test {
protected:
    void SetUp() override {
        UniquePrinter probe;
        if (!::OpenPrinterA(const_cast<char*>("Kestrel_K7"), probe.put(), nullptr))
            GTEST_SKIP() << "no spooler queue Kestrel_K7: run scripts/cups start";
    }

    // A job of its own handle; the job leaves the spooler when the handle closes.
    struct SpooledJob {
        UniquePrinter handle;
        DWORD id = 0;
    };
    SpooledJob Start(const char* document) {
        SpooledJob job;
        if (!::OpenPrinterA(const_cast<char*>("Kestrel_K7"), job.handle.put(), nullptr))
            return job;
        DOC_INFO_1A info{const_cast<char*>(document), nullptr, const_cast<char*>("RAW")};
        job.id = ::StartDocPrinterA(job.handle.get(), 1, reinterpret_cast<BYTE*>(&info));
        return job;
    }

    PrivateJobStore store;
};

TEST_F(SpoolerJobsTest, ViewKnowsOnlyJobsStillSpooled) {
    SpooledJob first = Start("first");
    SpooledJob second = Start("second");
    ASSERT_NE(first.id, 0u);
    ASSERT_NE(second.id, 0u);
    WinSpoolerJobs spooler;
    std::unique_ptr<SpoolerView> view = spooler.Open("Kestrel_K7");
    ASSERT_TRUE(view);
    EXPECT_TRUE(view->Knows(static_cast<int32_t>(first.id)));
    EXPECT_TRUE(view->Knows(static_cast<int32_t>(second.id)));
    EXPECT_FALSE(view->Knows(4000));
    first.handle.reset();
    EXPECT_FALSE(view->Knows(static_cast<int32_t>(first.id)));
    EXPECT_TRUE(view->Knows(static_cast<int32_t>(second.id)));
    EXPECT_FALSE(spooler.Open("No such printer"));
}

TEST_F(SpoolerJobsTest, MonitorFollowsSpooledJobsAndDropsVanishedOnes) {
    SpooledJob a = Start("Letter to the bank");
    SpooledJob b = Start("b");
    SpooledJob c = Start("c");
    ASSERT_TRUE(a.id && b.id && c.id);

    // b and c leave the spooler before the print manager ever reports them.
    b.handle.reset();
    c.handle.reset();
    JobMonitor monitor;
    monitor.SetPrinter("Kestrel_K7", "CUPS:Kestrel_K7");
    for (SpooledJob* job : {&a, &b, &c})
        EXPECT_EQ(monitor.AddJob(static_cast<int32_t>(job->id)), 1);

    // The print manager took a from this process's spooler.
    JobInfo info{};
    ASSERT_TRUE(WaitUntil([&] { return monitor.GetJobInfo(&info) == 1; }, 10));
    EXPECT_EQ(info.jobId, static_cast<int32_t>(a.id));
    EXPECT_EQ(JobDocumentText(info), "Letter to the bank");
    EXPECT_EQ(monitor.GetJobCount(), 1) << "b and c, next to each other, went in one look";

    // a leaves as well: its watch ends and so does the run.
    a.handle.reset();
    ASSERT_TRUE(WaitUntil([&] { return monitor.GetJobCount() == 0; }, 15));
    EXPECT_EQ(monitor.GetJobInfo(nullptr), 0);
}

} // namespace
