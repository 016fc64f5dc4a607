#include "JobTimeline.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

uint64_t Duration(const StoredJob& job) {
    return static_cast<uint64_t>(job.sheets) * job.msPerSheet;
}

// Printing time up to t (t not before the start), pauses left out.
uint64_t ElapsedAt(const StoredJob& job, uint64_t t) {
    if (!job.startMs)
        return 0;
    uint64_t until = t;
    if (job.ending != JobEnding::None)
        until = std::min(until, job.endMs);
    if (job.pausedAtMs)
        until = std::min(until, job.pausedAtMs);
    uint64_t spent = until > job.startMs ? until - job.startMs : 0;
    return spent > job.pausedTotalMs ? spent - job.pausedTotalMs : 0;
}

void End(StoredJob& job, JobEnding ending, uint64_t at) {
    job.ending = ending;
    job.endMs = at;
    job.pendingCommand = 0;
}

// Finishes the job if its sheets were all printed by t.
bool FinishedBy(StoredJob& job, uint64_t t) {
    if (job.pausedAtMs || ElapsedAt(job, t) < Duration(job))
        return false;
    End(job, JobEnding::Done, job.startMs + job.pausedTotalMs + Duration(job));
    return true;
}

void AdvanceStarted(StoredJob& job, uint64_t now) {
    if (job.pendingCommand && job.pendingAtMs <= now) {
        if (FinishedBy(job, job.pendingAtMs))
            return;
        if (job.pendingCommand == 1 && !job.pausedAtMs) {
            job.pausedAtMs = job.pendingAtMs;
        } else if (job.pendingCommand == 2 && job.pausedAtMs) {
            job.pausedTotalMs += job.pendingAtMs - job.pausedAtMs;
            job.pausedAtMs = 0;
        }
        job.pendingCommand = 0;
    }
    FinishedBy(job, now);
}

bool SamePrinter(const StoredJob& a, const StoredJob& b) {
    return std::strncmp(a.printer, b.printer, StoredNameSize) == 0;
}

} // namespace

bool JobIsActive(const StoredJob& job) {
    return job.used && job.ending == JobEnding::None;
}

void AdvanceJobs(StoredJob* jobs, size_t count, uint64_t now) {
    std::vector<bool> done(count, false);
    for (size_t first = 0; first < count; ++first) {
        if (!jobs[first].used || done[first])
            continue;
        // This printer's jobs, in number order.
        std::vector<StoredJob*> queue;
        for (size_t i = first; i < count; ++i) {
            if (jobs[i].used && !done[i] && SamePrinter(jobs[i], jobs[first])) {
                queue.push_back(&jobs[i]);
                done[i] = true;
            }
        }
        std::sort(queue.begin(), queue.end(),
                  [](const StoredJob* a, const StoredJob* b) { return a->number < b->number; });
        uint64_t freeSince = 0;
        for (StoredJob* job : queue) {
            if (job->ippJobId)
                continue; // moves with the printer's reports
            if (job->ending != JobEnding::None) {
                freeSince = std::max(freeSince, job->endMs);
                continue;
            }
            if (!job->startMs)
                job->startMs = std::max(std::max(job->addedMs, freeSince), uint64_t{1});
            AdvanceStarted(*job, now);
            if (job->ending == JobEnding::None)
                break; // the printer is busy with this one
            freeSince = std::max(freeSince, job->endMs);
        }
    }
}

int32_t JobStateBits(const StoredJob& job) {
    switch (job.ending) {
    case JobEnding::Done:
        return JobBits::Done;
    case JobEnding::Cancelled:
        return JobBits::Cancelled;
    case JobEnding::Failed:
        return JobBits::Failed;
    case JobEnding::Left:
        return JobBits::Left;
    case JobEnding::None:
        break;
    }
    if (job.ippJobId) {
        int32_t bits = job.ippState == ippjob::Pending ? JobBits::Waiting : JobBits::Printing;
        if (job.ippState == ippjob::Held || job.ippState == ippjob::Stopped)
            bits |= JobBits::Paused;
        if (job.pendingCommand)
            bits |= JobBits::Changing;
        return bits;
    }
    if (!job.startMs)
        return JobBits::Waiting;
    int32_t bits = JobBits::Printing;
    if (job.pausedAtMs)
        bits |= JobBits::Paused;
    if (job.pendingCommand)
        bits |= JobBits::Changing;
    return bits;
}

namespace {

JobFigures IppFigures(const StoredJob& job) {
    JobFigures f{};
    int32_t done = job.ippDone > 0 ? job.ippDone : 0;
    int32_t total = job.ippTotal > 0 ? job.ippTotal : std::max(done, 1);
    if (job.ending == JobEnding::Done)
        done = total;
    done = std::min(done, total);
    f.sheets = total;
    f.sheetsDone = done;
    f.progressTotal = static_cast<int32_t>(std::min<int64_t>(int64_t{total} * 100, INT32_MAX));
    f.progressDone = static_cast<int32_t>(std::min<int64_t>(int64_t{done} * 100, f.progressTotal));
    // The printer reports no time left; the window shows none.
    f.timeLeftKnown = job.ending != JobEnding::None;
    return f;
}

} // namespace

void ApplyIppReport(StoredJob& job, const IppJobReport& report, uint64_t now) {
    if (!JobIsActive(job))
        return;
    job.ippJobId = report.id;
    job.ippDone = report.done;
    job.ippTotal = report.total;
    std::memcpy(job.ippUser, report.user, sizeof job.ippUser);
    job.ippUser[sizeof job.ippUser - 1] = '\0';
    if (report.state != job.ippState)
        job.pendingCommand = 0; // the printer has acted on it, or on something else
    job.ippState = report.state;
    if (report.state == ippjob::Processing && !job.startMs)
        job.startMs = now;
    if (report.state == ippjob::Completed)
        End(job, JobEnding::Done, now);
    else if (report.state == ippjob::Canceled)
        End(job, JobEnding::Cancelled, now);
    else if (report.state == ippjob::Aborted)
        End(job, JobEnding::Failed, now);
}

int32_t IppOperationFor(const StoredJob& job, int32_t command) {
    if (!JobIsActive(job) || !job.ippJobId || job.pendingCommand)
        return 0;
    bool held = job.ippState == ippjob::Held || job.ippState == ippjob::Stopped;
    switch (command) {
    case 1:
        return held ? 0 : ippjob::HoldJob;
    case 2:
        return held ? ippjob::ReleaseJob : 0;
    case 3:
        return ippjob::CancelJob;
    default:
        return 0;
    }
}

JobFigures JobFiguresAt(const StoredJob& job, uint64_t now) {
    if (job.ippJobId)
        return IppFigures(job);
    JobFigures f{};
    uint64_t msPerSheet = job.msPerSheet ? job.msPerSheet : 1;
    uint64_t duration = Duration(job);
    uint64_t elapsed = std::min(ElapsedAt(job, now), duration);
    if (job.ending == JobEnding::Done)
        elapsed = duration;
    f.sheets = static_cast<int32_t>(job.sheets);
    f.sheetsDone = static_cast<int32_t>(std::min<uint64_t>(elapsed / msPerSheet, job.sheets));
    f.progressTotal = static_cast<int32_t>(static_cast<uint64_t>(job.sheets) * 100);
    f.progressDone = static_cast<int32_t>(
        std::min<uint64_t>(elapsed * 100 / msPerSheet, static_cast<uint64_t>(f.progressTotal)));
    if (job.ending == JobEnding::Done) {
        f.sheetsDone = f.sheets;
        f.progressDone = f.progressTotal;
    }
    f.timeLeftKnown = job.startMs != 0 || job.ending != JobEnding::None;
    if (job.ending == JobEnding::None && job.startMs)
        f.secondsLeft = static_cast<int32_t>((duration - elapsed + 999) / 1000);
    return f;
}

bool ApplyJobCommand(StoredJob& job, int32_t command, uint64_t now) {
    if (!JobIsActive(job))
        return false;
    switch (command) {
    case 1:
        if (!job.startMs || job.pausedAtMs || job.pendingCommand)
            return false;
        job.pendingCommand = 1;
        job.pendingAtMs = now + job.transitionMs;
        return true;
    case 2:
        if (!job.pausedAtMs || job.pendingCommand)
            return false;
        job.pendingCommand = 2;
        job.pendingAtMs = now + job.transitionMs;
        return true;
    case 3:
        End(job, JobEnding::Cancelled, now);
        return true;
    default:
        return false;
    }
}
