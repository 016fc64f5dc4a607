// The simulated print manager's clock: jobs print in turn, pauses stop them.
#include <gtest/gtest.h>

#include <cstring>

#include "JobTimeline.h"

namespace {

StoredJob Job(int32_t number, uint32_t sheets, uint32_t msPerSheet, uint64_t added) {
    StoredJob job{};
    job.used = 1;
    job.number = number;
    std::strcpy(job.printer, "Kestrel_K7");
    job.sheets = sheets;
    job.msPerSheet = msPerSheet;
    job.transitionMs = 100;
    job.addedMs = added;
    return job;
}

TEST(JobTimelineTest, JobsOfAPrinterPrintOneAfterAnother) {
    StoredJob jobs[3] = {Job(2, 2, 1000, 1000), Job(1, 3, 1000, 1000), Job(3, 1, 500, 1000)};
    std::strcpy(jobs[2].printer, "Other");
    AdvanceJobs(jobs, 3, 1500);
    EXPECT_EQ(JobStateBits(jobs[1]), JobBits::Printing);
    EXPECT_EQ(JobStateBits(jobs[0]), JobBits::Waiting) << "number 2 waits for number 1";
    EXPECT_EQ(JobStateBits(jobs[2]), JobBits::Done) << "another printer prints at once";

    JobFigures f = JobFiguresAt(jobs[1], 2500);
    EXPECT_EQ(f.sheetsDone, 1);
    EXPECT_EQ(f.progressDone, 150);
    EXPECT_EQ(f.progressTotal, 300);
    EXPECT_EQ(f.secondsLeft, 2);
    EXPECT_FALSE(JobFiguresAt(jobs[0], 2500).timeLeftKnown);

    // Number 1 ends at 4000; number 2 starts then, not when it is next looked at.
    AdvanceJobs(jobs, 3, 5000);
    EXPECT_EQ(jobs[1].ending, JobEnding::Done);
    EXPECT_EQ(jobs[1].endMs, 4000u);
    EXPECT_EQ(jobs[0].startMs, 4000u);
    EXPECT_EQ(JobFiguresAt(jobs[0], 5000).sheetsDone, 1);
    AdvanceJobs(jobs, 3, 6000);
    EXPECT_EQ(JobStateBits(jobs[0]), JobBits::Done);
    EXPECT_EQ(JobFiguresAt(jobs[0], 9000).progressDone, 200);
}

TEST(JobTimelineTest, PauseAndReleaseTakeTheirTimeAndStopTheClock) {
    StoredJob job = Job(1, 10, 1000, 1000);
    AdvanceJobs(&job, 1, 1000);
    EXPECT_TRUE(ApplyJobCommand(job, 1, 2000));
    EXPECT_FALSE(ApplyJobCommand(job, 1, 2000)) << "one change at a time";
    AdvanceJobs(&job, 1, 2050);
    EXPECT_EQ(JobStateBits(job), JobBits::Printing | JobBits::Changing);
    AdvanceJobs(&job, 1, 5000);
    EXPECT_EQ(JobStateBits(job), JobBits::Printing | JobBits::Paused);
    EXPECT_EQ(JobFiguresAt(job, 5000).progressDone, 110) << "stopped 1100 ms in";
    EXPECT_FALSE(ApplyJobCommand(job, 1, 5000));

    EXPECT_TRUE(ApplyJobCommand(job, 2, 6000));
    AdvanceJobs(&job, 1, 6050);
    EXPECT_EQ(JobStateBits(job), JobBits::Printing | JobBits::Paused | JobBits::Changing);
    AdvanceJobs(&job, 1, 7100);
    EXPECT_EQ(JobStateBits(job), JobBits::Printing);
    EXPECT_EQ(JobFiguresAt(job, 7100).progressDone, 210);
    EXPECT_EQ(JobFiguresAt(job, 8100).progressDone, 310);
    AdvanceJobs(&job, 1, 30000);
    EXPECT_EQ(job.ending, JobEnding::Done);
    EXPECT_EQ(job.endMs, 15000u) << "10 s of printing plus the 4 s pause";
}

TEST(JobTimelineTest, JobThatFinishesBeforeItsPauseTakesEffectIsDone) {
    StoredJob job = Job(1, 1, 1000, 1000);
    AdvanceJobs(&job, 1, 1000);
    job.transitionMs = 5000;
    EXPECT_TRUE(ApplyJobCommand(job, 1, 1500));
    AdvanceJobs(&job, 1, 9000);
    EXPECT_EQ(job.ending, JobEnding::Done);
    EXPECT_EQ(job.endMs, 2000u);
}

TEST(JobTimelineTest, CancelEndsAtOnceAndEndedJobsTakeNoCommands) {
    StoredJob jobs[2] = {Job(1, 5, 1000, 0), Job(2, 1, 1000, 0)};
    AdvanceJobs(jobs, 2, 100);
    EXPECT_FALSE(ApplyJobCommand(jobs[1], 1, 100)) << "a waiting job cannot be paused";
    EXPECT_TRUE(ApplyJobCommand(jobs[0], 3, 300));
    EXPECT_EQ(JobStateBits(jobs[0]), JobBits::Cancelled);
    EXPECT_FALSE(ApplyJobCommand(jobs[0], 3, 400));
    AdvanceJobs(jobs, 2, 400);
    EXPECT_EQ(jobs[1].startMs, 300u);
    EXPECT_EQ(JobFiguresAt(jobs[0], 400).secondsLeft, 0);
}

TEST(JobTimelineTest, LargeFiguresDoNotOverflow) {
    StoredJob job = Job(1, MaxSheets, MaxMsPerSheet, 1);
    AdvanceJobs(&job, 1, 1);
    JobFigures f = JobFiguresAt(job, 1 + 2ull * MaxMsPerSheet);
    EXPECT_EQ(f.sheetsDone, 2);
    EXPECT_EQ(f.progressTotal, static_cast<int32_t>(MaxSheets) * 100);
    EXPECT_GT(f.secondsLeft, 0);
    StoredJob zero = Job(1, 1, 0, 1);
    AdvanceJobs(&zero, 1, 5);
    EXPECT_EQ(JobFiguresAt(zero, 5).sheetsDone, 1) << "no division by a zero speed";
}

} // namespace
