// pmfollow.exe: follows one print-manager job through the client the job
// monitor uses, in-process and over RPC side by side, printing its values once
// a second until it ends. Used by scripts/demo-jobs.
//
//   pmfollow PRINTER SPOOLER_ID [--server NAME] [--seconds N]
//            [--pause-at S] [--restart-at S] [--cancel-at S]
#include <windows.h>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "jobs/PmClient.h"
#include "jobs/PmValueKinds.h"

namespace {

struct Follower {
    explicit Follower(const char* name) : name(name) {}
    const char* name;
    PmClient client;
    int32_t queue = 0;
};

bool Number(const std::string& text, long low, long high, long* value) {
    errno = 0;
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 0);
    if (text.empty() || errno || *end || v < low || v > high)
        return false;
    *value = v;
    return true;
}

// The print-manager job with this spooler id, or 0.
int32_t FindJob(Follower& f, int32_t spoolerId) {
    int32_t job = f.client.GetCurrentJob(f.queue);
    int32_t id = 0, needed = 0;
    if (job && f.client.GetJobValue(f.queue, job, PmKind::SpoolerJobId, &id, 4, &needed) &&
        id == spoolerId)
        return job;
    return 0;
}

void Show(Follower& f, int32_t job, long second) {
    char document[64] = "";
    int32_t needed = 0, state = 0, sheets[2] = {}, progress[2] = {}, left = 0;
    uint16_t media[3] = {};
    f.client.GetJobValue(f.queue, job, PmKind::Document, document, sizeof document, &needed);
    document[sizeof document - 1] = 0;
    f.client.GetJobValue(f.queue, job, PmKind::Media, media, 6, &needed);
    bool haveState = f.client.GetJobValue(f.queue, job, PmKind::State, &state, 4, &needed);
    f.client.GetJobValue(f.queue, job, PmKind::Sheets, sheets, 8, &needed);
    f.client.GetJobValue(f.queue, job, PmKind::Progress, progress, 8, &needed);
    bool haveLeft = f.client.GetJobValue(f.queue, job, PmKind::TimeLeft, &left, 4, &needed);
    std::printf("%3lds %-7s job %-3d \"%s\" media %u paper %u  state 0x%02x  sheets %d/%d  "
                "progress %d/%d  left %s\n",
                second, f.name, job, document, media[1], media[2],
                haveState ? static_cast<unsigned>(state) : 0u, sheets[0], sheets[1], progress[0],
                progress[1], haveLeft ? (std::to_string(left) + " s").c_str() : "-");
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    long spoolerId = 0, seconds = 120, pauseAt = -1, restartAt = -1, cancelAt = -1;
    std::string server = "PRINTSERVER";
    bool bad = args.size() < 2 || (args.size() % 2) != 0 ||
               !Number(args[1], LONG_MIN, LONG_MAX, &spoolerId);
    for (size_t i = 2; !bad && i + 1 < args.size(); i += 2) {
        if (args[i] == "--server")
            server = args[i + 1];
        else if (args[i] == "--seconds")
            bad = !Number(args[i + 1], 1, 86400, &seconds);
        else if (args[i] == "--pause-at")
            bad = !Number(args[i + 1], 0, 86400, &pauseAt);
        else if (args[i] == "--restart-at")
            bad = !Number(args[i + 1], 0, 86400, &restartAt);
        else if (args[i] == "--cancel-at")
            bad = !Number(args[i + 1], 0, 86400, &cancelAt);
        else
            bad = true;
    }
    if (bad) {
        std::fputs("usage: pmfollow PRINTER SPOOLER_ID [--server NAME] [--seconds N]\n"
                   "                [--pause-at S] [--restart-at S] [--cancel-at S]\n",
                   stderr);
        return 2;
    }
    const std::string& printer = args[0];
    std::string remoteName = "\\\\" + server + "\\" + printer;

    Follower local("local");
    Follower remote("remote");
    if (!local.client.OpenLocal(PmModuleName)) {
        std::fprintf(stderr, "pmfollow: %s cannot be loaded\n", PmModuleName);
        return 1;
    }
    if (!remote.client.OpenRemote(server.c_str(), PmModuleName)) {
        std::fprintf(stderr, "pmfollow: the print-manager service does not answer\n");
        return 1;
    }
    local.queue = local.client.OpenQueue(printer.c_str(), "USB001", 1, nullptr);
    remote.queue = remote.client.OpenQueue(remoteName.c_str(), "USB001", 1, nullptr);
    std::printf("pmfollow: %s in-process and %s over RPC\n", printer.c_str(), remoteName.c_str());

    for (long second = 0; second <= seconds; ++second) {
        int32_t job = FindJob(local, static_cast<int32_t>(spoolerId));
        if (!job || !local.client.IsJobActive(local.queue, job)) {
            std::printf("%3lds job %ld is not (or no longer) printing\n", second, spoolerId);
            break;
        }
        Show(local, job, second);
        Show(remote, FindJob(remote, static_cast<int32_t>(spoolerId)), second);
        int32_t command = second == pauseAt     ? PmCommand::Pause
                          : second == restartAt ? PmCommand::Restart
                          : second == cancelAt  ? PmCommand::Cancel
                                                : 0;
        if (command) {
            int32_t sent = remote.client.SetJobValue(remote.queue, job, PmKind::Command, &command);
            std::printf("%3lds remote  command %d %s\n", second, command,
                        sent ? "taken" : "refused");
        }
        std::fflush(stdout);
        ::Sleep(1000);
    }
    local.client.CloseQueue(local.queue);
    remote.client.CloseQueue(remote.queue);
    local.client.Close();
    remote.client.Close();
    return 0;
}
