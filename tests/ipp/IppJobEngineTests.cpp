#include <gtest/gtest.h>

#include <string>

#include "IppTestSupport.h"
#include "IppJobs.h"
#include "JobEngine.h"
#include "JobTimeline.h"
#include "companions/klapi/SimStore.h"
#include "jobs/PmValueKinds.h"
#include "tests/jobs/PmTestSupport.h"
#include "tests/common/SimTestSupport.h"

namespace {

constexpr const char* kPrinter = "IppJobs_K7";

// A job for the test printer that takes about `seconds`, reporting one
// impression done per second.
std::string SlowJob(int pages) {
    std::string script = "ATTR: job-impressions=" + std::to_string(pages) + "\n";
    for (int i = 1; i <= pages; ++i)
        script += "SLEEP: 1\nATTR: job-impressions-completed=" + std::to_string(i) + "\n";
    return script;
}

// The print manager's engine on a private job store, for a printer that the
// product knows as an IPP printer.
class IppJobEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(ipptest::PrinterUri().empty()) << "PQIF_IPP_URI is not set";
        printer_->SetString(simstore::IppUriValue, ipptest::PrinterUri());
        ASSERT_TRUE(engine_.IsReady());
        queue_ = engine_.OpenQueue(kPrinter, "");
        ASSERT_NE(queue_, 0);
        // Let jobs of earlier tests finish first.
        ASSERT_TRUE(ipptest::WaitUntil([&] { return engine_.HasJob(queue_) == 0; }, 20000));
    }
    void TearDown() override { engine_.CloseQueue(queue_); }

    int32_t Value(int32_t job, int32_t kind, int32_t* second = nullptr) {
        int32_t v[2] = {-1, -1};
        int32_t needed = 0;
        if (!engine_.GetJobValue(queue_, job, kind, v, sizeof v, &needed))
            return -1;
        if (second)
            *second = v[1];
        return v[0];
    }
    // The print-manager job of the IPP printer's next job.
    int32_t NextJob() {
        int32_t job = 0;
        ipptest::WaitUntil(
            [&] {
                job = engine_.HasJob(queue_) ? engine_.GetCurrentJob(queue_) : 0;
                return job != 0;
            },
            10000);
        return job;
    }

    PrivateJobStore store_;
    simtest::SimulatedPrinter printer_{kPrinter};
    JobEngine engine_;
    int32_t queue_ = 0;
};

TEST_F(IppJobEngineTest, AJobOnThePrinterIsFollowedToItsEnd) {
    ASSERT_TRUE(ipptest::PrintStateScript(SlowJob(3)));
    int32_t job = NextJob();
    ASSERT_NE(job, 0);
    EXPECT_GT(Value(job, PmKind::SpoolerJobId), 0); // the printer's job id
    int32_t total = 0;
    // The sheets advance as the printer reports its impressions.
    EXPECT_TRUE(ipptest::WaitUntil(
        [&] { return Value(job, PmKind::Sheets, &total) >= 1 && total == 3; }, 10000));
    EXPECT_NE(Value(job, PmKind::State) & JobBits::Printing, 0);
    EXPECT_TRUE(ipptest::WaitUntil([&] { return engine_.IsJobActive(queue_, job) == 0; }, 15000));
    EXPECT_EQ(Value(job, PmKind::State), JobBits::Done);
    int32_t progressTotal = 0;
    EXPECT_EQ(Value(job, PmKind::Progress, &progressTotal), 300);
    EXPECT_EQ(progressTotal, 300);
}

TEST_F(IppJobEngineTest, CancelGoesToThePrinterAndPauseIsRefusedWhereItCannotBeDone) {
    ASSERT_TRUE(ipptest::PrintStateScript(SlowJob(8)));
    int32_t job = NextJob();
    ASSERT_NE(job, 0);
    ASSERT_TRUE(ipptest::WaitUntil(
        [&] { return (Value(job, PmKind::State) & JobBits::Printing) != 0; }, 10000));
    // The test printer has no Hold-Job: the command is not taken.
    int32_t pause = PmCommand::Pause;
    EXPECT_EQ(engine_.SetJobValue(queue_, job, PmKind::Command, &pause, 4), 0);
    int32_t cancel = PmCommand::Cancel;
    ASSERT_EQ(engine_.SetJobValue(queue_, job, PmKind::Command, &cancel, 4), 1);
    EXPECT_EQ(engine_.IsJobActive(queue_, job), 0);
    EXPECT_EQ(Value(job, PmKind::State), JobBits::Cancelled);
    // And the printer itself lets go of it.
    int32_t id = Value(job, PmKind::SpoolerJobId);
    EXPECT_TRUE(ipptest::WaitUntil(
        [&] {
            IppJobReport report;
            return ippjobs::JobReport(ipptest::PrinterUri(), id, &report) &&
                   report.state >= ippjob::Canceled;
        },
        10000));
}

TEST_F(IppJobEngineTest, APrinterThatStopsAnsweringLeavesTheJobsAsTheyWere) {
    ASSERT_TRUE(ipptest::PrintStateScript(SlowJob(4)));
    int32_t job = NextJob();
    ASSERT_NE(job, 0);
    printer_->SetString(simstore::IppUriValue, "ipp://127.0.0.1:1/ipp/print");
    ::Sleep(1200);
    EXPECT_EQ(engine_.IsJobActive(queue_, job), 1);
    printer_->SetString(simstore::IppUriValue, ipptest::PrinterUri());
    EXPECT_TRUE(ipptest::WaitUntil([&] { return engine_.IsJobActive(queue_, job) == 0; }, 15000));
}

} // namespace
