// printside.exe: plays the printing side of the product for tests and demos.
// See README.md for the commands.
#include <windows.h>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "SharedTables.h"
#include "StatusPoller.h"

namespace {

constexpr char StopEvent[] = "Local\\VRPS_PrintSideStop";

const char Usage[] =
    "usage: printside run PRINTER PORT MODEL [--jobs N] [--job-seconds S] [--gap-seconds S]\n"
    "                     [--status-ms MS] [--channel-id ID] [--channel-kind K]\n"
    "                     [--fail-choice N] [--claim-kind K]\n"
    "       printside tables [--seconds S]\n"
    "       printside claim KEY KIND VALUE\n"
    "       printside release KEY KIND\n"
    "       printside show KEY\n"
    "       printside stop\n"
    "PRINTER may be \"\" (the port is then the key); numbers are decimal or 0x hex.\n";

int Bad() {
    std::fputs(Usage, stderr);
    return 2;
}

bool Number(const std::string& text, long long low, long long high, long long* value) {
    if (text.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(text.c_str(), &end, 0);
    if (errno || *end || v < low || v > high)
        return false;
    *value = v;
    return true;
}

// "V_KVRS_" and the key, every backslash turned into a slash.
std::string JobMappingName(const std::string& key) {
    std::string name = "V_KVRS_" + key;
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

// Waits up to milliseconds; true when printside stop was asked for.
bool Stopped(HANDLE stop, DWORD milliseconds) {
    return ::WaitForSingleObject(stop, milliseconds) == WAIT_OBJECT_0;
}

int Run(const std::vector<std::string>& args) {
    if (args.size() < 4 || (args.size() - 4) % 2)
        return Bad();
    StatusPoller::Options options;
    options.printer = args[1];
    options.port = args[2];
    options.model = args[3];
    long long jobs = 1, jobSeconds = 10, gapSeconds = 2, statusMs = 1000, claimKind = 0;
    for (size_t i = 4; i < args.size(); i += 2) {
        const std::string& name = args[i];
        const std::string& text = args[i + 1];
        long long v = 0;
        bool ok = true;
        if (name == "--jobs")
            ok = Number(text, 0, 1000, &jobs);
        else if (name == "--job-seconds")
            ok = Number(text, 1, 86400, &jobSeconds);
        else if (name == "--gap-seconds")
            ok = Number(text, 0, 86400, &gapSeconds);
        else if (name == "--status-ms")
            ok = Number(text, 100, 600000, &statusMs);
        else if (name == "--channel-id" && (ok = Number(text, 0, 0xFFFFFFFFLL, &v)))
            options.channelId = static_cast<long>(v);
        else if (name == "--channel-kind" && (ok = Number(text, 1, 0xFFFFFFFFLL, &v)))
            options.channelKind = static_cast<long>(v);
        else if (name == "--fail-choice" && (ok = Number(text, 0, 1, &v)))
            options.failChoice = static_cast<long>(v);
        else if (name == "--claim-kind")
            ok = Number(text, 0, 3, &claimKind);
        else
            ok = false;
        if (!ok)
            return Bad();
    }
    std::string key = TableKey(options.printer, options.port);
    if (key.empty() || !KvrTableForKey(key.size()))
        return Bad();

    UniqueKernelHandle stop(::CreateEventA(nullptr, TRUE, FALSE, StopEvent));
    ::ResetEvent(stop.get());
    SharedTables tables(true);
    if (!tables.IsOpen()) {
        std::fprintf(stderr, "printside: the shared tables cannot be made\n");
        return 1;
    }
    const KvrMapGeometry* geometry = nullptr;
    uint8_t* table = tables.TableFor(key, &geometry);
    int32_t self = static_cast<int32_t>(::GetCurrentProcessId());
    KvrClaimResult claim = KvrClaim(table, geometry->mappingSize, *geometry, key.c_str(),
                                    static_cast<int32_t>(claimKind), self);
    if (claim.outcome == KvrClaimResult::Held)
        std::printf("printside: field %lld of \"%s\" is held by %d\n", claimKind, key.c_str(),
                    claim.holder);
    else if (claim.outcome != KvrClaimResult::Claimed)
        std::printf("printside: \"%s\" could not be entered in the shared table\n", key.c_str());

    StatusPoller poller(options);
    if (!poller.CanQuery())
        std::printf("printside: V_PQIF07.dll has no PrGetStatusB; no status is stored\n");
    std::printf("printside: channel %ld (kind 0x%lx)\n", poller.Channel(), poller.ChannelKind());
    std::fflush(stdout);

    bool stopped = false;
    for (long long job = 1; job <= jobs && !stopped; ++job) {
        std::string name = JobMappingName(key);
        UniqueKernelHandle mapping(::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr,
                                                        PAGE_READWRITE, 0, 4096, name.c_str()));
        std::printf("printside: job %lld of %lld printing (%s)\n", job, jobs, name.c_str());
        std::fflush(stdout);
        DWORD start = ::GetTickCount();
        while (!stopped && ::GetTickCount() - start < jobSeconds * 1000) {
            char when[64];
            std::snprintf(when, sizeof when, "job %lld at %lus", job,
                          (::GetTickCount() - start) / 1000);
            poller.Poll(when);
            stopped = Stopped(stop.get(), static_cast<DWORD>(statusMs));
        }
        mapping.reset();
        std::printf("printside: job %lld done\n", job);
        std::fflush(stdout);
        if (job < jobs)
            stopped = stopped || Stopped(stop.get(), static_cast<DWORD>(gapSeconds * 1000));
    }
    if (claim.outcome == KvrClaimResult::Claimed)
        KvrRelease(table, geometry->mappingSize, *geometry, key.c_str(),
                   static_cast<int32_t>(claimKind));
    return 0;
}

int Tables(const std::vector<std::string>& args) {
    long long seconds = 0;
    if (!(args.size() == 1 ||
          (args.size() == 3 && args[1] == "--seconds" && Number(args[2], 1, 86400 * 7, &seconds))))
        return Bad();
    SharedTables tables(true);
    if (!tables.IsOpen())
        return 1;
    UniqueKernelHandle stop(::CreateEventA(nullptr, TRUE, FALSE, StopEvent));
    ::ResetEvent(stop.get());
    std::printf("printside: holding the shared tables\n");
    std::fflush(stdout);
    Stopped(stop.get(), seconds ? static_cast<DWORD>(seconds * 1000) : INFINITE);
    return 0;
}

int Record(const std::vector<std::string>& args) {
    const std::string& verb = args[0];
    size_t wanted = verb == "claim" ? 4 : verb == "release" ? 3 : 2;
    if (args.size() != wanted)
        return Bad();
    const std::string& key = args[1];
    long long kind = 0, value = 0;
    if (verb != "show" && !Number(args[2], 0, 3, &kind))
        return Bad();
    if (verb == "claim" && !Number(args[3], INT32_MIN, 0xFFFFFFFFLL, &value))
        return Bad();
    SharedTables tables(false);
    const KvrMapGeometry* geometry = nullptr;
    uint8_t* table = tables.TableFor(key, &geometry);
    if (!table) {
        std::fprintf(stderr, "printside: no shared table for that key (run printside tables)\n");
        return 1;
    }
    if (verb == "claim") {
        KvrClaimResult r = KvrClaim(table, geometry->mappingSize, *geometry, key.c_str(),
                                    static_cast<int32_t>(kind), static_cast<int32_t>(value));
        if (r.outcome == KvrClaimResult::Held) {
            std::printf("held by %d\n", r.holder);
            return 3;
        }
        return r.outcome == KvrClaimResult::Claimed ? 0 : 1;
    }
    if (verb == "release")
        return KvrRelease(table, geometry->mappingSize, *geometry, key.c_str(),
                          static_cast<int32_t>(kind))
                   ? 0
                   : 1;
    KvrFindResult found = KvrFind(table, geometry->mappingSize, *geometry, key.c_str());
    if (found.outcome != KvrFindResult::Found) {
        std::printf("no record\n");
        return 1;
    }
    const uint8_t* record = table + found.offset;
    std::printf("record %zu: value1 %d value0 %d value3 %d\n", found.offset / geometry->recordSize,
                KvrReadField(record, *geometry, 1), KvrReadField(record, *geometry, 0),
                KvrReadField(record, *geometry, 3));
    return 0;
}

int Stop() {
    UniqueKernelHandle stop(::OpenEventA(EVENT_MODIFY_STATE, FALSE, StopEvent));
    if (!stop) {
        std::fprintf(stderr, "printside: nothing is running\n");
        return 1;
    }
    ::SetEvent(stop.get());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty())
        return Bad();
    if (args[0] == "run")
        return Run(args);
    if (args[0] == "tables")
        return Tables(args);
    if (args[0] == "claim" || args[0] == "release" || args[0] == "show")
        return Record(args);
    if (args[0] == "stop" && args.size() == 1)
        return Stop();
    return Bad();
}
