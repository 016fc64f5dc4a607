// The window's end to the launch export's return, as a host sees it: a
// progress meter on the demo installation follows a job of the process's own
// spooler; the host closes the window (as its user would) while the job still
// prints, and while the print manager never answers. Twenty runs of each; the
// typical (median) and worst times, split at the moment the window is gone.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "JobStore.h"
#include "companions/install/Installation.h"
#include "companions/klapi/SimStore.h"
#include "tests/host/HostHarness.h"
#include "tests/jobs/PmTestSupport.h"

namespace {

using namespace host;

void SetHang(int32_t operation) {
    JobStore jobs;
    JobStore::Access store(jobs);
    if (store)
        store->hangInOperation = operation;
}

uint32_t HeldCalls() {
    JobStore jobs;
    JobStore::Access store(jobs);
    return store ? store->heldCalls : 0;
}

struct Sample {
    long toGone;   // WM_CLOSE posted -> window destroyed
    long toReturn; // window destroyed -> export returned
};

// One run; false when the window never came or the export never returned.
bool RunOnce(const Library& library, bool hang, Sample* sample) {
    SpooledJob job("bench");
    if (!job.id())
        return false;
    HostCall call(library.Launch(3, job.id()));
    HWND window = call.Window();
    if (!window || !WaitUntil([&] { return ::IsWindowVisible(window) != FALSE; }, 20000))
        return false;
    if (hang) {
        const uint32_t held = HeldCalls();
        SetHang(10);
        if (!WaitUntil([&] { return HeldCalls() > held; }, 10000))
            return false;
    }
    const auto closed = Clock::now();
    const Clock::time_point gone = CloseAndWaitGone(window);
    const bool returned = call.Returned(30000);
    SetHang(-1);
    if (!returned)
        return false;
    sample->toGone = MsBetween(closed, gone);
    sample->toReturn = MsBetween(gone, call.ReturnedAt());
    // The next run starts from a quiet process: the worker let go has ended.
    ::Sleep(300);
    return true;
}

void Report(const char* what, std::vector<Sample> samples) {
    auto median = [](std::vector<long> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    std::vector<long> gone, ret;
    for (const Sample& s : samples) {
        gone.push_back(s.toGone);
        ret.push_back(s.toReturn);
    }
    std::printf("%-34s window gone after %4ld ms typical, %4ld worst; export returned %4ld ms "
                "later typical, %4ld worst (%zu runs)\n",
                what, median(gone), *std::max_element(gone.begin(), gone.end()), median(ret),
                *std::max_element(ret.begin(), ret.end()), samples.size());
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 20;
    std::string error;
    if (!install::Install(BinDir(), BinDir() + "\\sounds", &error)) {
        std::fprintf(stderr, "host_lifetime_bench: %s\n", error.c_str());
        return 1;
    }
    PrivateJobStore store;
    simstore::SimPrinter printer(demo::PrinterName);
    printer.Add(demo::Model);
    printer.SetBytes(simstore::ReplyValue, kReady);
    Library library;
    if (!library.module()) {
        std::fprintf(stderr, "host_lifetime_bench: V_PQIF07.dll missing\n");
        return 1;
    }
    int status = 0;
    for (bool hang : {false, true}) {
        std::vector<Sample> samples;
        for (int i = 0; i < runs; ++i) {
            Sample sample{};
            if (!RunOnce(library, hang, &sample)) {
                std::fprintf(stderr, "host_lifetime_bench: run %d failed\n", i);
                status = 1;
                break;
            }
            samples.push_back(sample);
        }
        if (!samples.empty())
            Report(hang ? "print manager never answers:" : "job still printing:", samples);
    }
    std::string removedFrom;
    install::Remove(&removedFrom, &error);
    return status;
}
