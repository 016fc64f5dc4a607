#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "framework/CObject.h"
#include "jobs/JobInfo.h"
#include "jobs/PrintManagerClient.h"
#include "jobs/WorkerThread.h"

// winspool.h maps SetPrinter and AddJob to its ANSI or wide functions; the job
// monitor's operations keep their own names.
#ifdef SetPrinter
#undef SetPrinter
#endif
#ifdef AddJob
#undef AddJob
#endif

// What the job monitor asks the spooler about its listed ids. Open gives
// a look at the printer's jobs (null when the printer cannot be opened); Knows
// is false for a job the spooler no longer has.
class SpoolerView {
public:
    virtual ~SpoolerView() = default;
    virtual bool Knows(int32_t spoolerJobId) = 0;
};

class SpoolerJobs {
public:
    virtual ~SpoolerJobs() = default;
    virtual std::unique_ptr<SpoolerView> Open(const std::string& printerName) = 0;
};

// Polling intervals of the worker thread, and how long the end of the monitor
// waits for it, in milliseconds.
struct JobMonitorTiming {
    unsigned pollMs = 1000; // between job checks, refreshes and queue-open attempts
    unsigned retryMs = 10;  // after a failed refresh or an unsent command
    // The destructor's bound: the worker is told to stop, waited for this long,
    // asked to abandon a blocking call, and waited for once more as long; a
    // worker still inside a call of the print manager or the spooler is then
    // let go and ends when that call returns.
    unsigned stopWaitMs = 1000;
};

// Follows the spooler job ids handed to it through the print manager, on one
// worker thread that runs while ids are listed, and keeps the latest values of
// the job being printed for the window. All operations are safe to call from any
// thread and none of them waits for the print manager or the spooler: one lock
// guards the list, the record, the pending command and the flags, and is never
// held while the print manager or the spooler is called or the thread sleeps.
class JobMonitor : public CObject {
public:
    using ClientFactory = std::function<std::unique_ptr<PrintManagerClient>()>;

    // The print manager through PmClient and the system spooler (Windows build).
    JobMonitor();
    JobMonitor(ClientFactory clientFactory, std::shared_ptr<SpoolerJobs> spooler,
               JobMonitorTiming timing = {}, std::string moduleName = "vrkit10.dll",
               WorkerStarter starter = StartPlainWorker);
    // Stops the worker and returns within twice timing.stopWaitMs, whatever the
    // print manager or the spooler does.
    ~JobMonitor() override;
    JobMonitor(const JobMonitor&) = delete;
    JobMonitor& operator=(const JobMonitor&) = delete;

    // 0 when a name is already set (nothing changes); else stores both, 1.
    int SetPrinter(const char* printerName, const char* portName);
    // 0 when the id is listed already; 1 otherwise. The first id on an idle
    // monitor starts the worker thread. Never waits for an earlier run.
    int AddJob(int32_t id);
    int GetJobCount();
    // 1 and a copy of the record (when destination is given) while a job is
    // watched; 0 otherwise.
    int GetJobInfo(JobInfo* destination);
    // Replaces a command not yet taken. Job 0 means whichever job is watched.
    void RequestCommand(int32_t id, int32_t command);
    void SetRegistryMode(int flag);
    // Ends every run at its next step; no run starts afterwards. The window's
    // end calls it through the destructor.
    void Stop();

    struct Shared; // what the window and the worker share; the worker keeps it alive
    class Worker;  // one run of the worker thread

private:
    std::shared_ptr<Shared> m_Shared;
    // Serialises thread starts when AddJob is called from several threads.
    std::mutex m_StartLock;
    WorkerStarter m_Starter;
    std::unique_ptr<WorkerThread> m_Thread; // the latest run
    // Earlier runs that had left their loop but not yet ended when the next began.
    std::vector<std::unique_ptr<WorkerThread>> m_Finishing;
};
