#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "framework/CObject.h"
#include "jobs/JobInfo.h"
#include "jobs/PrintManagerClient.h"

// winspool.h maps SetPrinter and AddJob to its ANSI or wide functions; the job
// monitor's operations keep their own names, and the A aliases below serve
// callers that include winspool.h after this header.
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

// Polling intervals of the worker thread, in milliseconds.
struct JobMonitorTiming {
    unsigned pollMs = 1000; // between job checks, refreshes and queue-open attempts
    unsigned retryMs = 10;  // after a failed refresh or an unsent command
};

// Follows the spooler job ids handed to it through the print manager, on one
// worker thread that runs while ids are listed, and keeps the latest values of
// the job being printed for the window. All operations are safe to call from any
// thread; one lock guards the list, the record, the pending command and the flags,
// and is never held while the print manager is called or the thread sleeps.
class JobMonitor : public CObject {
public:
    using ClientFactory = std::function<std::unique_ptr<PrintManagerClient>()>;

    // The print manager through PmClient and the system spooler (Windows build).
    JobMonitor();
    JobMonitor(ClientFactory clientFactory, std::shared_ptr<SpoolerJobs> spooler,
               JobMonitorTiming timing = {}, std::string moduleName = "vrkit10.dll");
    // Waits, without a time limit, until the worker thread has ended.
    ~JobMonitor() override;

    // 0 when a name is already set (nothing changes); else stores both, 1.
    int SetPrinter(const char* printerName, const char* portName);
    // 0 when the id is listed already; 1 otherwise. The first id on an idle
    // monitor starts the worker thread.
    int AddJob(int32_t id);
    int GetJobCount();
    // 1 and a copy of the record (when destination is given) while a job is
    // watched; 0 otherwise.
    int GetJobInfo(JobInfo* destination);
    // Replaces a command not yet taken. Job 0 means whichever job is watched.
    void RequestCommand(int32_t id, int32_t command);
    void SetRegistryMode(int flag);

    int SetPrinterA(const char* printerName, const char* portName) {
        return SetPrinter(printerName, portName);
    }
    int AddJobA(int32_t id) { return AddJob(id); }

private:
    void Run() noexcept;
    int KeepRunning();
    bool IsListed(int32_t id);
    void RemoveJob(int32_t id);
    void WatchJob(int32_t spoolerId);
    void ReadJobHeader(int32_t spoolerId);
    int RefreshJob();
    int ProcessCommand(int32_t spoolerId);
    bool ReadDocument(std::string* text);
    bool Read(int32_t kind, void* buffer, int32_t size);
    void Pause(unsigned milliseconds);

    std::mutex lock;
    std::vector<int32_t> jobIds;
    JobInfo jobInfo{};
    int32_t commandJob = 0;
    int32_t commandCode = 0;
    int jobInfoValid = 0;
    int hasJobs = 0;
    std::string printerName;
    std::string portName;
    int32_t startJob = 0;
    int32_t queueHandle = 0;
    int32_t currentJob = 0;
    std::thread thread;
    int registryMode = 0;

    // Serialises thread starts when AddJob is called from several threads.
    std::mutex startLock;
    ClientFactory clientFactory;
    std::shared_ptr<SpoolerJobs> spooler;
    JobMonitorTiming timing;
    std::string moduleName;
    std::unique_ptr<PrintManagerClient> client; // the worker's own, during a run
};
