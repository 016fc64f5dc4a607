#pragma once
#include "StoredJob.h"

// How jobs move on with the clock: jobs of one printer print one after another
// in the order of their numbers; a job prints its sheets at its speed, a pause
// or release takes effect transitionMs after it was asked for, and nothing
// advances while paused. All of it is computed from the times in the record.

bool JobIsActive(const StoredJob& job);

// Brings every job of every printer up to now.
void AdvanceJobs(StoredJob* jobs, size_t count, uint64_t now);

int32_t JobStateBits(const StoredJob& job);

struct JobFigures {
    int32_t sheetsDone;
    int32_t sheets;
    int32_t progressDone;
    int32_t progressTotal;
    bool timeLeftKnown;
    int32_t secondsLeft;
};
JobFigures JobFiguresAt(const StoredJob& job, uint64_t now);

// Commands of kind 201: 1 pause, 2 release the pause, 3 cancel. True when the
// job takes the command.
bool ApplyJobCommand(StoredJob& job, int32_t command, uint64_t now);

// Jobs followed on an IPP printer.
namespace ippjob {
constexpr int32_t Pending = 3;
constexpr int32_t Held = 4;
constexpr int32_t Processing = 5;
constexpr int32_t Stopped = 6;
constexpr int32_t Canceled = 7;
constexpr int32_t Aborted = 8;
constexpr int32_t Completed = 9;

// Operation codes of the IPP commands.
constexpr int32_t CancelJob = 0x0008;
constexpr int32_t HoldJob = 0x000C;
constexpr int32_t ReleaseJob = 0x000D;
} // namespace ippjob

// Takes the printer's report into the job; a job the printer ended ends here.
void ApplyIppReport(StoredJob& job, const IppJobReport& report, uint64_t now);

// The IPP operation that carries a command (1 pause, 2 release, 3 cancel) for
// the job in its present state, or 0 when the job cannot take it.
int32_t IppOperationFor(const StoredJob& job, int32_t command);
