#include <gtest/gtest.h>

#include <cstring>

#include "JobTimeline.h"

namespace {

StoredJob Followed(int32_t state) {
    StoredJob job{};
    job.used = 1;
    job.number = 1;
    job.ippJobId = 7;
    job.ippState = state;
    std::strcpy(job.printer, "IppPrinter");
    return job;
}

IppJobReport Report(int32_t state, int32_t done, int32_t total) {
    IppJobReport r;
    r.id = 7;
    r.state = state;
    r.done = done;
    r.total = total;
    std::strcpy(r.user, "someone");
    return r;
}

TEST(IppJobTimeline, ReportsMoveTheJobAndEndIt) {
    StoredJob job = Followed(ippjob::Pending);
    EXPECT_EQ(JobStateBits(job), JobBits::Waiting);
    ApplyIppReport(job, Report(ippjob::Processing, 2, 5), 1000);
    EXPECT_EQ(JobStateBits(job), JobBits::Printing);
    EXPECT_EQ(job.startMs, 1000u);
    JobFigures f = JobFiguresAt(job, 5000);
    EXPECT_EQ(f.sheetsDone, 2);
    EXPECT_EQ(f.sheets, 5);
    EXPECT_EQ(f.progressDone, 200);
    EXPECT_EQ(f.progressTotal, 500);
    EXPECT_FALSE(f.timeLeftKnown);
    EXPECT_STREQ(job.ippUser, "someone");

    ApplyIppReport(job, Report(ippjob::Held, 2, 5), 2000);
    EXPECT_EQ(JobStateBits(job), JobBits::Printing | JobBits::Paused);

    ApplyIppReport(job, Report(ippjob::Completed, 4, 5), 3000);
    EXPECT_FALSE(JobIsActive(job));
    EXPECT_EQ(JobStateBits(job), JobBits::Done);
    f = JobFiguresAt(job, 9000);
    EXPECT_EQ(f.sheetsDone, 5); // a finished job shows all its sheets
    EXPECT_TRUE(f.timeLeftKnown);
    EXPECT_EQ(f.secondsLeft, 0);

    // Nothing moves an ended job again.
    ApplyIppReport(job, Report(ippjob::Processing, 1, 5), 4000);
    EXPECT_EQ(JobStateBits(job), JobBits::Done);

    StoredJob cancelled = Followed(ippjob::Processing);
    ApplyIppReport(cancelled, Report(ippjob::Canceled, 0, 0), 10);
    EXPECT_EQ(JobStateBits(cancelled), JobBits::Cancelled);
    StoredJob aborted = Followed(ippjob::Processing);
    ApplyIppReport(aborted, Report(ippjob::Aborted, 0, 0), 10);
    EXPECT_EQ(JobStateBits(aborted), JobBits::Failed);
}

TEST(IppJobTimeline, UnknownCountsAndHugeTotalsStayInRange) {
    StoredJob job = Followed(ippjob::Processing);
    ApplyIppReport(job, Report(ippjob::Processing, 0, 0), 1);
    JobFigures f = JobFiguresAt(job, 2);
    EXPECT_EQ(f.sheets, 1);
    EXPECT_EQ(f.sheetsDone, 0);
    ApplyIppReport(job, Report(ippjob::Processing, 9, 3), 3); // more done than in all
    f = JobFiguresAt(job, 4);
    EXPECT_EQ(f.sheetsDone, 3);
    ApplyIppReport(job, Report(ippjob::Processing, 2000000000, 2100000000), 5);
    f = JobFiguresAt(job, 6);
    EXPECT_GT(f.progressTotal, 0);
    EXPECT_LE(f.progressDone, f.progressTotal);
}

TEST(IppJobTimeline, CommandsBecomeTheOperationsTheStateAllows) {
    StoredJob printing = Followed(ippjob::Processing);
    EXPECT_EQ(IppOperationFor(printing, 1), ippjob::HoldJob);
    EXPECT_EQ(IppOperationFor(printing, 2), 0);
    EXPECT_EQ(IppOperationFor(printing, 3), ippjob::CancelJob);
    StoredJob held = Followed(ippjob::Held);
    EXPECT_EQ(IppOperationFor(held, 1), 0);
    EXPECT_EQ(IppOperationFor(held, 2), ippjob::ReleaseJob);
    // One command at a time, until the printer reports the change.
    held.pendingCommand = 2;
    EXPECT_EQ(IppOperationFor(held, 3), 0);
    EXPECT_EQ(JobStateBits(held) & JobBits::Changing, JobBits::Changing);
    ApplyIppReport(held, Report(ippjob::Processing, 0, 1), 1);
    EXPECT_EQ(held.pendingCommand, 0);
    StoredJob clock{};
    clock.used = 1;
    EXPECT_EQ(IppOperationFor(clock, 3), 0); // not a job of an IPP printer
}

} // namespace
