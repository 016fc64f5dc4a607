// pmctl.exe: scripts the print manager's jobs and controls its service.
#include <windows.h>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "JobStore.h"
#include "JobTimeline.h"
#include "ServiceNames.h"
#include "framework/Handles.h"

namespace {

const char Usage[] =
    "usage: pmctl add SPOOLER_ID DOCUMENT SHEETS MS_PER_SHEET [--printer NAME]\n"
    "                 [--copies N] [--media CODE] [--paper CODE] [--transition MS]\n"
    "       pmctl pause|resume|cancel|fail SPOOLER_ID [--printer NAME]\n"
    "       pmctl fail-kind KIND|none      GetJobValue of KIND fails\n"
    "       pmctl die-in OPERATION|none    the service ends inside that RPC operation\n"
    "       pmctl hang-in OPERATION|none   that operation (module or service) does not answer\n"
    "       pmctl list | calls | clear\n"
    "       pmctl wait-ready [SECONDS] | stop [SECONDS] | running\n";

int Bad() {
    std::fputs(Usage, stderr);
    return 2;
}

bool Number(const char* text, long long low, long long high, long long* value) {
    if (!text || !*text)
        return false;
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(text, &end, 0);
    if (errno || *end || v < low || v > high)
        return false;
    *value = v;
    return true;
}

// Options after the positional arguments: --name VALUE pairs.
bool Option(const std::vector<std::string>& args, size_t from, const char* name, std::string* value,
            bool* bad) {
    for (size_t i = from; i < args.size(); i += 2) {
        if (args[i].rfind("--", 0) != 0 || i + 1 >= args.size()) {
            *bad = true;
            return false;
        }
        if (args[i] == name) {
            *value = args[i + 1];
            return true;
        }
    }
    return false;
}

int Add(JobStore& jobs, const std::vector<std::string>& args) {
    if (args.size() < 5 || (args.size() - 5) % 2)
        return Bad();
    long long id, sheets, speed;
    if (!Number(args[1].c_str(), INT32_MIN, INT32_MAX, &id) ||
        !Number(args[3].c_str(), 1, MaxSheets, &sheets) ||
        !Number(args[4].c_str(), 1, MaxMsPerSheet, &speed))
        return Bad();
    ScriptedJob script;
    script.spoolerId = static_cast<int32_t>(id);
    script.document = args[2];
    script.sheets = static_cast<uint32_t>(sheets);
    script.msPerSheet = static_cast<uint32_t>(speed);
    bool bad = false;
    std::string value;
    long long n;
    for (size_t i = 5; i < args.size(); i += 2) {
        const std::string& name = args[i];
        value = args[i + 1];
        if (name == "--printer")
            script.printer = value;
        else if (name == "--copies" && Number(value.c_str(), 0, 65535, &n))
            script.copies = static_cast<uint16_t>(n);
        else if (name == "--media" && Number(value.c_str(), -32768, 65535, &n))
            script.mediaType = static_cast<uint16_t>(n);
        else if (name == "--paper" && Number(value.c_str(), -32768, 65535, &n))
            script.paperSize = static_cast<uint16_t>(n);
        else if (name == "--transition" && Number(value.c_str(), 0, MaxMsPerSheet, &n))
            script.transitionMs = static_cast<uint32_t>(n);
        else
            bad = true;
    }
    if (bad)
        return Bad();
    JobStore::Access store(jobs);
    if (!store)
        return 1;
    int32_t number = AddScriptedJob(*store, script, JobStore::NowMs());
    if (!number) {
        std::fprintf(stderr, "pmctl: the job was not added (store full or a name too long)\n");
        return 1;
    }
    std::printf("%d\n", number);
    return 0;
}

int Command(JobStore& jobs, const std::vector<std::string>& args) {
    long long id;
    if (args.size() < 2 || !Number(args[1].c_str(), INT32_MIN, INT32_MAX, &id))
        return Bad();
    std::string printer = "Kestrel_K7";
    bool bad = false;
    Option(args, 2, "--printer", &printer, &bad);
    if (bad)
        return Bad();
    JobStore::Access store(jobs);
    if (!store)
        return 1;
    uint64_t now = JobStore::NowMs();
    AdvanceJobs(store->jobs, StoreJobCapacity, now);
    StoredJob* job = FindLatestBySpoolerId(*store, printer.c_str(), static_cast<int32_t>(id));
    if (!job) {
        std::fprintf(stderr, "pmctl: no job %lld on %s\n", id, printer.c_str());
        return 1;
    }
    bool taken;
    if (args[0] == "fail") {
        taken = JobIsActive(*job);
        if (taken) {
            job->ending = JobEnding::Failed;
            job->endMs = now;
        }
    } else {
        int32_t command = args[0] == "pause" ? 1 : args[0] == "resume" ? 2 : 3;
        taken = ApplyJobCommand(*job, command, now);
    }
    if (!taken) {
        std::fprintf(stderr, "pmctl: job %lld does not take '%s' now\n", id, args[0].c_str());
        return 1;
    }
    return 0;
}

int SetSwitch(JobStore& jobs, const std::vector<std::string>& args) {
    if (args.size() != 2)
        return Bad();
    long long value = args[0] == "fail-kind" ? NoKind : -1;
    if (args[1] != "none" && !Number(args[1].c_str(), INT32_MIN + 1LL, INT32_MAX, &value))
        return Bad();
    JobStore::Access store(jobs);
    if (!store)
        return 1;
    if (args[0] == "fail-kind")
        store->failKind = static_cast<int32_t>(value);
    else if (args[0] == "die-in")
        store->dieInOperation = static_cast<int32_t>(value);
    else
        store->hangInOperation = static_cast<int32_t>(value);
    return 0;
}

const char* EndingName(const StoredJob& job) {
    switch (job.ending) {
    case JobEnding::None:
        return !job.startMs ? "waiting" : job.pausedAtMs ? "paused" : "printing";
    case JobEnding::Done:
        return "done";
    case JobEnding::Cancelled:
        return "cancelled";
    case JobEnding::Failed:
        return "failed";
    case JobEnding::Left:
        return "left-spooler";
    }
    return "?";
}

int List(JobStore& jobs) {
    JobStore::Access store(jobs);
    if (!store)
        return 1;
    uint64_t now = JobStore::NowMs();
    AdvanceJobs(store->jobs, StoreJobCapacity, now);
    std::printf("%-4s %-9s %-14s %-12s %-6s %-10s %-9s %-5s %s\n", "no", "spooler", "printer",
                "state", "bits", "sheets", "progress", "left", "document");
    for (const StoredJob& job : store->jobs) {
        if (!job.used)
            continue;
        JobFigures f = JobFiguresAt(job, now);
        char sheets[24], progress[24];
        std::snprintf(sheets, sizeof sheets, "%d/%d", f.sheetsDone, f.sheets);
        std::snprintf(progress, sizeof progress, "%d/%d", f.progressDone, f.progressTotal);
        std::printf("%-4d %-9d %-14.*s %-12s 0x%-4x %-10s %-9s %-5d %.*s\n", job.number,
                    job.spoolerId, static_cast<int>(StoredNameSize), job.printer, EndingName(job),
                    static_cast<unsigned>(JobStateBits(job)), sheets, progress, f.secondsLeft,
                    static_cast<int>(StoredNameSize), job.document);
    }
    return 0;
}

int Calls(JobStore& jobs) {
    JobStore::Access store(jobs);
    if (!store)
        return 1;
    uint32_t last = store->callSequence;
    uint32_t first = last > StoreCallCapacity ? last - StoreCallCapacity + 1 : 1;
    for (uint32_t seq = first; seq <= last && seq; ++seq) {
        const StoredCall& call = store->calls[(seq - 1) % StoreCallCapacity];
        std::printf("%u op %d job %d kind %d count %d text \"%.*s\" bytes", call.sequence,
                    call.operation, call.job, call.kind, call.count,
                    static_cast<int>(sizeof call.text), call.text);
        int shown = call.count < 16 ? (call.count > 0 ? call.count : 0) : 16;
        for (int i = 0; i < shown; ++i)
            std::printf(" %02x", call.bytes[i]);
        std::printf("\n");
    }
    return 0;
}

int Clear(JobStore& jobs) {
    JobStore::Access store(jobs);
    if (!store)
        return 1;
    std::memset(store->jobs, 0, sizeof store->jobs);
    std::memset(store->calls, 0, sizeof store->calls);
    store->callSequence = 0;
    store->failKind = NoKind;
    store->dieInOperation = -1;
    store->hangInOperation = -1;
    return 0;
}

DWORD Seconds(const std::vector<std::string>& args, DWORD fallback, bool* bad) {
    long long seconds = fallback;
    if (args.size() > 2 || (args.size() == 2 && !Number(args[1].c_str(), 0, 3600, &seconds)))
        *bad = true;
    return static_cast<DWORD>(seconds);
}

bool Ready() {
    UniqueKernelHandle ready(::OpenEventA(SYNCHRONIZE, FALSE, ServiceReadyEvent));
    return ready && ::WaitForSingleObject(ready.get(), 0) == WAIT_OBJECT_0;
}

int WaitReady(DWORD seconds) {
    DWORD start = ::GetTickCount();
    while (!Ready()) {
        if (::GetTickCount() - start >= seconds * 1000) {
            std::fprintf(stderr, "pmctl: the service is not ready\n");
            return 1;
        }
        ::Sleep(50);
    }
    return 0;
}

int Stop(JobStore& jobs, DWORD seconds) {
    UniqueKernelHandle stop(::OpenEventA(EVENT_MODIFY_STATE, FALSE, ServiceStopEvent));
    if (!stop) {
        std::fprintf(stderr, "pmctl: the service is not running\n");
        return 1;
    }
    DWORD pid = 0;
    {
        JobStore::Access store(jobs);
        if (store)
            pid = store->servicePid;
    }
    UniqueKernelHandle process(pid ? ::OpenProcess(SYNCHRONIZE, FALSE, pid) : nullptr);
    ::SetEvent(stop.get());
    if (process && ::WaitForSingleObject(process.get(), seconds * 1000) != WAIT_OBJECT_0) {
        std::fprintf(stderr, "pmctl: the service did not stop in time\n");
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty())
        return Bad();
    const std::string& verb = args[0];
    bool bad = false;
    if (verb == "wait-ready") {
        DWORD seconds = Seconds(args, 20, &bad);
        return bad ? Bad() : WaitReady(seconds);
    }
    if (verb == "running")
        return args.size() == 1 ? (Ready() ? 0 : 1) : Bad();

    JobStore jobs;
    if (!jobs.IsOpen()) {
        std::fprintf(stderr, "pmctl: the job store cannot be opened: %s\n",
                     JobStore::Path().c_str());
        return 1;
    }
    if (verb == "add")
        return Add(jobs, args);
    if (verb == "pause" || verb == "resume" || verb == "cancel" || verb == "fail")
        return Command(jobs, args);
    if (verb == "fail-kind" || verb == "die-in" || verb == "hang-in")
        return SetSwitch(jobs, args);
    if (verb == "list" && args.size() == 1)
        return List(jobs);
    if (verb == "calls" && args.size() == 1)
        return Calls(jobs);
    if (verb == "clear" && args.size() == 1)
        return Clear(jobs);
    if (verb == "stop") {
        DWORD seconds = Seconds(args, 10, &bad);
        return bad ? Bad() : Stop(jobs, seconds);
    }
    return Bad();
}
