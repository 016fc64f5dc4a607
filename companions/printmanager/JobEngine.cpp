#include "JobEngine.h"

#include <winspool.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "IppJobs.h"
#include "JobTimeline.h"
#include "jobs/PmValueKinds.h"

namespace {

constexpr uint64_t FollowIntervalMs = 250;
constexpr uint64_t IppFollowIntervalMs = 1000;
// Wine's spooler does not enumerate its jobs, so ids up to this are asked for.
constexpr DWORD ProbedSpoolerIds = 64;

constexpr uint32_t AdoptedSheets = 3;
constexpr uint32_t AdoptedMsPerSheet = 2000;

bool SamePrinter(const char* stored, const std::string& printer) {
    return _strnicmp(stored, printer.c_str(), StoredNameSize) == 0 &&
           printer.size() < StoredNameSize;
}

// Copies a value out, or reports the size when the buffer cannot hold it.
int32_t Answer(const void* value, int32_t length, void* buffer, int32_t size, int32_t* needed) {
    if (needed)
        *needed = length;
    if (!buffer || size < length)
        return 0;
    std::memcpy(buffer, value, static_cast<size_t>(length));
    return 1;
}

int32_t AnswerText(const char* text, size_t limit, void* buffer, int32_t size, int32_t* needed) {
    size_t length = strnlen(text, limit);
    std::vector<char> value(text, text + length);
    value.push_back(0);
    return Answer(value.data(), static_cast<int32_t>(value.size()), buffer, size, needed);
}

struct SpoolerJob {
    DWORD id;
    std::string document;
    DWORD pages;
};

std::vector<SpoolerJob> SpoolerJobsOf(const std::string& printerName) {
    std::vector<SpoolerJob> found;
    UniquePrinter printer;
    if (!::OpenPrinterA(const_cast<char*>(printerName.c_str()), printer.put(), nullptr))
        return found;
    DWORD needed = 0;
    DWORD count = 0;
    ::EnumJobsA(printer.get(), 0, 256, 1, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed);
    if (needed && ::EnumJobsA(printer.get(), 0, 256, 1, buffer.data(), needed, &needed, &count)) {
        const auto* jobs = reinterpret_cast<const JOB_INFO_1A*>(buffer.data());
        for (DWORD i = 0; i < count; ++i)
            found.push_back(
                {jobs[i].JobId, jobs[i].pDocument ? jobs[i].pDocument : "", jobs[i].TotalPages});
        return found;
    }
    for (DWORD id = 1; id <= ProbedSpoolerIds; ++id) {
        needed = 0;
        ::GetJobA(printer.get(), id, 1, nullptr, 0, &needed);
        if (needed < sizeof(JOB_INFO_1A))
            continue;
        std::vector<BYTE> info(needed);
        if (!::GetJobA(printer.get(), id, 1, info.data(), needed, &needed))
            continue;
        const auto* job = reinterpret_cast<const JOB_INFO_1A*>(info.data());
        found.push_back({id, job->pDocument ? job->pDocument : "", job->TotalPages});
    }
    return found;
}

} // namespace

JobEngine::JobEngine() = default;

int32_t JobEngine::OpenQueue(const char* printerName, const char* portName) {
    // The by-printer rule: the printer name, or the port when it is empty.
    const char* name = (printerName && *printerName) ? printerName : portName;
    if (!name || !*name || std::strlen(name) >= StoredNameSize || !store_.IsOpen())
        return 0;
    std::lock_guard<std::mutex> hold(lock_);
    int32_t queue = nextQueue_++;
    if (nextQueue_ <= 0)
        nextQueue_ = 1;
    queues_[queue] = name;
    return queue;
}

int32_t JobEngine::CloseQueue(int32_t queue) {
    std::lock_guard<std::mutex> hold(lock_);
    return queues_.erase(queue) ? 1 : 0;
}

bool JobEngine::QueuePrinter(int32_t queue, std::string* printer) {
    std::lock_guard<std::mutex> hold(lock_);
    auto it = queues_.find(queue);
    if (it == queues_.end())
        return false;
    *printer = it->second;
    return true;
}

void JobEngine::FollowSpooler(const std::string& printer) {
    uint64_t now = JobStore::NowMs();
    {
        std::lock_guard<std::mutex> hold(lock_);
        uint64_t& last = followed_[printer];
        if (last && now - last < FollowIntervalMs)
            return;
        last = now;
    }
    std::vector<SpoolerJob> spooled = SpoolerJobsOf(printer);
    DWORD self = ::GetCurrentProcessId();

    {
        JobStore::Access store(store_);
        if (!store)
            return;
        for (const SpoolerJob& found : spooled) {
            if (FindJobBySpoolerId(*store, printer.c_str(), static_cast<int32_t>(found.id), self))
                continue;
            ScriptedJob script;
            script.spoolerId = static_cast<int32_t>(found.id);
            script.printer = printer;
            script.document = found.document.substr(0, StoredNameSize - 1);
            script.sheets =
                found.pages > 0 && found.pages <= MaxSheets ? found.pages : AdoptedSheets;
            script.msPerSheet = AdoptedMsPerSheet;
            int32_t number = AddScriptedJob(*store, script, now);
            if (!number)
                break;
            FindJobByNumber(*store, number)->ownerProcess = self;
        }
        for (StoredJob& job : store->jobs) {
            if (!JobIsActive(job) || job.ownerProcess != self || !SamePrinter(job.printer, printer))
                continue;
            bool still = false;
            for (const SpoolerJob& found : spooled)
                still = still || static_cast<int32_t>(found.id) == job.spoolerId;
            // A job the IPP printer follows ends with the printer's report, not
            // when the spooler lets go of it.
            if (!still && !job.ippJobId) {
                job.ending = JobEnding::Left;
                job.endMs = now;
            }
        }
    }
    FollowIpp(printer);
}

void JobEngine::FollowIpp(const std::string& printer) {
    uint64_t now = JobStore::NowMs();
    {
        std::lock_guard<std::mutex> hold(lock_);
        uint64_t& last = ippFollowed_[printer];
        if (last && now - last < IppFollowIntervalMs)
            return;
        last = now;
    }
    std::string uri = ippjobs::PrinterUri(printer);
    if (uri.empty())
        return;
    std::vector<IppJobReport> reports;
    if (!ippjobs::NotCompletedJobs(uri, &reports))
        return; // a printer that does not answer leaves the jobs as they were

    // Jobs followed before that the printer no longer lists have finished:
    // ask for their last word, outside the store's lock.
    std::vector<int32_t> vanished;
    {
        JobStore::Access store(store_);
        if (!store)
            return;
        for (const StoredJob& job : store->jobs) {
            if (!JobIsActive(job) || !job.ippJobId || !SamePrinter(job.printer, printer))
                continue;
            bool listed = false;
            for (const IppJobReport& r : reports)
                listed = listed || r.id == job.ippJobId;
            if (!listed)
                vanished.push_back(job.ippJobId);
        }
    }
    for (int32_t id : vanished) {
        IppJobReport last;
        if (!ippjobs::JobReport(uri, id, &last)) {
            last = IppJobReport{};
            last.id = id;
            last.state = ippjob::Completed; // gone from the printer: printed and forgotten
        }
        reports.push_back(last);
    }

    JobStore::Access store(store_);
    if (!store)
        return;
    for (const IppJobReport& report : reports) {
        StoredJob* target = nullptr;
        for (StoredJob& job : store->jobs) {
            if (JobIsActive(job) && job.ippJobId == report.id && SamePrinter(job.printer, printer))
                target = &job;
        }
        // A job sent through the spooler reaches the printer under its document name.
        if (!target && report.state < ippjob::Canceled) {
            for (StoredJob& job : store->jobs) {
                if (JobIsActive(job) && !job.ippJobId && job.ownerProcess &&
                    SamePrinter(job.printer, printer) &&
                    std::strncmp(job.document, report.name, StoredNameSize) == 0) {
                    target = &job;
                    break;
                }
            }
        }
        if (!target && report.state < ippjob::Canceled) {
            // A job that reached the printer some other way: followed under its own id.
            ScriptedJob script;
            script.spoolerId = report.id;
            script.printer = printer;
            script.document = report.name;
            script.sheets = 1;
            script.msPerSheet = 1;
            int32_t number = AddScriptedJob(*store, script, now);
            target = number ? FindJobByNumber(*store, number) : nullptr;
            if (target)
                target->ippState = 0;
        }
        if (target)
            ApplyIppReport(*target, report, now);
    }
}

int32_t JobEngine::IppCommand(const std::string& printer, int32_t job, int32_t command) {
    std::string uri = ippjobs::PrinterUri(printer);
    int32_t operation = 0;
    int32_t id = 0;
    std::string user;
    {
        JobStore::Access store(store_);
        if (!store || uri.empty())
            return 0;
        StoredJob* found = JobOfQueue(*store, printer, job);
        if (!found)
            return 0;
        found->lastCommand = command;
        ++found->commandCount;
        operation = IppOperationFor(*found, command);
        id = found->ippJobId;
        user = found->ippUser;
    }
    if (!operation || !ippjobs::SendJobOperation(uri, operation, id, user))
        return 0;
    JobStore::Access store(store_);
    StoredJob* found = store ? JobOfQueue(*store, printer, job) : nullptr;
    if (found && found->ippJobId == id) {
        if (command == PmCommand::Cancel) {
            IppJobReport cancelled{};
            cancelled.id = id;
            cancelled.state = ippjob::Canceled;
            ApplyIppReport(*found, cancelled, JobStore::NowMs());
        } else {
            found->pendingCommand = command; // until the printer reports the change
        }
    }
    // The next refresh asks the printer at once.
    std::lock_guard<std::mutex> hold(lock_);
    ippFollowed_[printer] = 0;
    return 1;
}

StoredJob* JobEngine::JobOfQueue(StoreHeader& store, const std::string& printer, int32_t job) {
    StoredJob* found = FindJobByNumber(store, job);
    return found && SamePrinter(found->printer, printer) ? found : nullptr;
}

int32_t JobEngine::HasJob(int32_t queue) {
    std::string printer;
    if (!QueuePrinter(queue, &printer))
        return 0;
    FollowSpooler(printer);
    JobStore::Access store(store_);
    if (!store)
        return 0;
    AdvanceJobs(store->jobs, StoreJobCapacity, JobStore::NowMs());
    return static_cast<int32_t>(
        std::count_if(std::begin(store->jobs), std::end(store->jobs), [&](const StoredJob& job) {
            return JobIsActive(job) && SamePrinter(job.printer, printer);
        }));
}

int32_t JobEngine::GetCurrentJob(int32_t queue) {
    std::string printer;
    if (!QueuePrinter(queue, &printer))
        return 0;
    FollowSpooler(printer);
    JobStore::Access store(store_);
    if (!store)
        return 0;
    AdvanceJobs(store->jobs, StoreJobCapacity, JobStore::NowMs());
    const StoredJob* current = nullptr;
    for (const StoredJob& job : store->jobs)
        if (JobIsActive(job) && SamePrinter(job.printer, printer) &&
            (!current || job.number < current->number))
            current = &job;
    return current ? current->number : 0;
}

int32_t JobEngine::IsJobActive(int32_t queue, int32_t job) {
    std::string printer;
    if (!QueuePrinter(queue, &printer))
        return 0;
    FollowSpooler(printer);
    JobStore::Access store(store_);
    if (!store)
        return 0;
    AdvanceJobs(store->jobs, StoreJobCapacity, JobStore::NowMs());
    StoredJob* found = JobOfQueue(*store, printer, job);
    return found && JobIsActive(*found) ? 1 : 0;
}

int32_t JobEngine::SetJobValue(int32_t queue, int32_t job, int32_t kind, const void* value,
                               int32_t size) {
    std::string printer;
    if (!QueuePrinter(queue, &printer) || kind != PmKind::Command || !value || size < 4)
        return 0;
    int32_t command;
    std::memcpy(&command, value, sizeof command);
    bool taken = false;
    int32_t spoolerId = 0;
    uint32_t owner = 0;
    bool followedOnIpp = false;
    {
        JobStore::Access store(store_);
        StoredJob* found = store ? JobOfQueue(*store, printer, job) : nullptr;
        followedOnIpp = found && found->ippJobId != 0;
    }
    if (followedOnIpp)
        return IppCommand(printer, job, command);
    {
        JobStore::Access store(store_);
        if (!store)
            return 0;
        uint64_t now = JobStore::NowMs();
        AdvanceJobs(store->jobs, StoreJobCapacity, now);
        StoredJob* found = JobOfQueue(*store, printer, job);
        if (!found)
            return 0;
        found->lastCommand = command;
        ++found->commandCount;
        taken = ApplyJobCommand(*found, command, now);
        spoolerId = found->spoolerId;
        owner = found->ownerProcess;
    }
    // A cancelled job of this process's spooler is deleted there as well.
    if (taken && command == PmCommand::Cancel && owner == ::GetCurrentProcessId()) {
        UniquePrinter handle;
        if (::OpenPrinterA(const_cast<char*>(printer.c_str()), handle.put(), nullptr))
            ::SetJobA(handle.get(), static_cast<DWORD>(spoolerId), 0, nullptr, JOB_CONTROL_DELETE);
    }
    return taken ? 1 : 0;
}

int32_t JobEngine::GetJobValue(int32_t queue, int32_t job, int32_t kind, void* buffer, int32_t size,
                               int32_t* needed) {
    std::string printer;
    if (!QueuePrinter(queue, &printer))
        return 0;
    JobStore::Access store(store_);
    if (!store || store->failKind == kind)
        return 0;
    uint64_t now = JobStore::NowMs();
    AdvanceJobs(store->jobs, StoreJobCapacity, now);
    const StoredJob* found = JobOfQueue(*store, printer, job);
    if (!found)
        return 0;
    JobFigures figures = JobFiguresAt(*found, now);
    switch (kind) {
    case 0:
        return AnswerText(found->printer, sizeof found->printer, buffer, size, needed);
    case PmKind::Document:
        return AnswerText(found->document, sizeof found->document, buffer, size, needed);
    case 2: {
        // When the job was handed to the print manager, as local time.
        uint64_t ticks = found->addedMs * 10000;
        FILETIME utc{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
        FILETIME local;
        SYSTEMTIME time{};
        ::FileTimeToLocalFileTime(&utc, &local);
        ::FileTimeToSystemTime(&local, &time);
        return Answer(&time, sizeof time, buffer, size, needed);
    }
    case PmKind::SpoolerJobId:
        return Answer(&found->spoolerId, 4, buffer, size, needed);
    case PmKind::Media:
        return Answer(found->media, 6, buffer, size, needed);
    case 100:
        return Answer(&found->number, 4, buffer, size, needed);
    case PmKind::State: {
        int32_t bits = JobStateBits(*found);
        return Answer(&bits, 4, buffer, size, needed);
    }
    case PmKind::Sheets: {
        int32_t value[2] = {figures.sheetsDone, figures.sheets};
        return Answer(value, 8, buffer, size, needed);
    }
    case PmKind::Progress: {
        int32_t value[2] = {figures.progressDone, figures.progressTotal};
        return Answer(value, 8, buffer, size, needed);
    }
    case PmKind::TimeLeft:
        if (!figures.timeLeftKnown)
            return 0;
        return Answer(&figures.secondsLeft, 4, buffer, size, needed);
    case 200:
        return Answer(&found->msPerSheet, 4, buffer, size, needed);
    case PmKind::Command:
        return Answer(&found->lastCommand, 4, buffer, size, needed);
    default:
        if (needed)
            *needed = 0;
        return 0;
    }
}

int32_t JobEngine::BeginJobWatch(int32_t queue, int32_t job) {
    std::string printer;
    if (!QueuePrinter(queue, &printer))
        return 0;
    JobStore::Access store(store_);
    StoredJob* found = store ? JobOfQueue(*store, printer, job) : nullptr;
    if (!found)
        return 0;
    ++found->watchBegins;
    return 1;
}

int32_t JobEngine::EndJobWatch(int32_t queue, int32_t job) {
    std::string printer;
    if (!QueuePrinter(queue, &printer))
        return 0;
    JobStore::Access store(store_);
    StoredJob* found = store ? JobOfQueue(*store, printer, job) : nullptr;
    if (!found)
        return 0;
    ++found->watchEnds;
    return 1;
}

void JobEngine::AnswerWhenAllowed(int32_t operation) {
    for (bool counted = false;; counted = true) {
        {
            JobStore::Access store(store_);
            if (!store || store->hangInOperation != operation)
                return;
            if (!counted)
                ++store->heldCalls;
        }
        ::Sleep(20);
    }
}
