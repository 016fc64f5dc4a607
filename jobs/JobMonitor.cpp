#include "jobs/JobMonitor.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <iterator>

#include "jobs/PmValueKinds.h"

namespace {
// A document name larger than this is not a name; the read is not attempted.
constexpr int32_t MaxDocumentBytes = 64 * 1024;

using Lock = std::lock_guard<std::mutex>;
} // namespace

struct JobMonitor::Shared {
    Shared(ClientFactory clientFactory, std::shared_ptr<SpoolerJobs> spooler,
           JobMonitorTiming timing, std::string moduleName)
        : clientFactory(std::move(clientFactory)), spooler(std::move(spooler)), timing(timing),
          moduleName(std::move(moduleName)) {}

    std::mutex lock;
    std::condition_variable wake; // a stop ends every pause at once
    std::vector<int32_t> jobIds;
    JobInfo jobInfo{};
    int32_t commandJob = 0;
    int32_t commandCode = 0;
    int jobInfoValid = 0;
    int hasJobs = 0;
    int registryMode = 0;
    bool stopping = false;

    // Set before any run starts, read-only afterwards.
    std::string printerName;
    std::string portName;
    const ClientFactory clientFactory;
    const std::shared_ptr<SpoolerJobs> spooler;
    const JobMonitorTiming timing;
    const std::string moduleName;

    bool Stopping() {
        Lock hold(lock);
        return stopping;
    }
};

// One run of the worker thread, with what only the run uses: its own client of
// the print manager, queue handle and job. It holds the shared state, so a run
// that outlives its monitor (let go inside a call that never returned) still
// works on live data and ends at its next step.
class JobMonitor::Worker {
public:
    Worker(std::shared_ptr<Shared> shared, int32_t startJob)
        : shared(std::move(shared)), startJob(startJob) {}
    void Run() noexcept;

private:
    int KeepRunning();
    bool IsListed(int32_t id);
    void RemoveJob(int32_t id);
    void WatchJob(int32_t spoolerId);
    void ReadJobHeader(int32_t spoolerId);
    int RefreshJob();
    int ProcessCommand(int32_t spoolerId);
    bool ReadDocument(std::string* text);
    bool Read(int32_t kind, void* buffer, int32_t size);
    // Sleeps, or less when the monitor stops; false once it stops.
    bool Pause(unsigned milliseconds);
    bool Stopping() { return shared->Stopping(); }

    std::shared_ptr<Shared> shared;
    std::unique_ptr<PrintManagerClient> client;
    int32_t startJob = 0;
    int32_t queueHandle = 0;
    int32_t currentJob = 0;
};

JobMonitor::JobMonitor(ClientFactory clientFactory, std::shared_ptr<SpoolerJobs> spooler,
                       JobMonitorTiming timing, std::string moduleName, WorkerStarter starter)
    : shared(std::make_shared<Shared>(std::move(clientFactory), std::move(spooler), timing,
                                      std::move(moduleName))),
      starter(std::move(starter)) {}

JobMonitor::~JobMonitor() {
    Stop();
    std::lock_guard<std::mutex> starting(startLock);
    if (thread)
        finishing.push_back(std::move(thread));
    const unsigned bound = shared->timing.stopWaitMs;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(bound);
    auto left = [&] {
        auto rest = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        return static_cast<unsigned>(std::max<long long>(0, rest.count()));
    };
    bool allEnded = true;
    for (auto& run : finishing)
        allEnded = run->WaitFor(left()) && allEnded;
    if (allEnded)
        return;
    // Some run is inside a call that does not come back. An RPC call can be
    // abandoned; a module call cannot, and its run is let go.
    for (auto& run : finishing)
        run->CancelBlockingCall();
    const auto second = std::chrono::steady_clock::now() + std::chrono::milliseconds(bound);
    for (auto& run : finishing) {
        auto rest = std::chrono::duration_cast<std::chrono::milliseconds>(
            second - std::chrono::steady_clock::now());
        (void)run->WaitFor(static_cast<unsigned>(std::max<long long>(0, rest.count())));
    }
}

void JobMonitor::Stop() {
    Lock hold(shared->lock);
    shared->stopping = true;
    shared->wake.notify_all();
}

int JobMonitor::SetPrinter(const char* printer, const char* port) {
    if (!shared->printerName.empty() || !shared->portName.empty())
        return 0;
    shared->printerName = printer ? printer : "";
    shared->portName = port ? port : "";
    return 1;
}

int JobMonitor::AddJob(int32_t id) {
    bool startRun = false;
    {
        Lock hold(shared->lock);
        if (std::find(shared->jobIds.begin(), shared->jobIds.end(), id) != shared->jobIds.end())
            return 0;
        startRun = shared->jobIds.empty() && !shared->hasJobs && !shared->stopping;
        shared->jobIds.push_back(id);
    }
    if (!startRun)
        return 1;

    std::lock_guard<std::mutex> starting(startLock);
    // The previous run has left its loop; it may still be closing its client.
    // It is not waited for here: the destructor does that, within its bound.
    finishing.erase(
        std::remove_if(finishing.begin(), finishing.end(),
                       [](const std::unique_ptr<WorkerThread>& run) { return run->WaitFor(0); }),
        finishing.end());
    if (thread)
        finishing.push_back(std::move(thread));
    auto worker = std::make_shared<Worker>(shared, id);
    thread = starter ? starter([worker] { worker->Run(); }) : nullptr;
    if (!thread) {
        // No run can follow this id; it must not hold the list open.
        Lock hold(shared->lock);
        auto it = std::find(shared->jobIds.begin(), shared->jobIds.end(), id);
        if (it != shared->jobIds.end())
            shared->jobIds.erase(it);
        return 0;
    }
    return 1;
}

int JobMonitor::GetJobCount() {
    Lock hold(shared->lock);
    return static_cast<int>(shared->jobIds.size());
}

int JobMonitor::GetJobInfo(JobInfo* destination) {
    Lock hold(shared->lock);
    if (!shared->jobInfoValid)
        return 0;
    if (destination)
        *destination = shared->jobInfo;
    return 1;
}

void JobMonitor::RequestCommand(int32_t id, int32_t command) {
    Lock hold(shared->lock);
    shared->commandJob = id;
    shared->commandCode = command;
}

void JobMonitor::SetRegistryMode(int flag) {
    Lock hold(shared->lock);
    shared->registryMode = flag;
}

bool JobMonitor::Worker::Pause(unsigned milliseconds) {
    std::unique_lock<std::mutex> hold(shared->lock);
    return !shared->wake.wait_for(hold, std::chrono::milliseconds(milliseconds),
                                  [&] { return shared->stopping; });
}

void JobMonitor::Worker::Run() noexcept {
    try {
        client = shared->clientFactory ? shared->clientFactory() : nullptr;
        if (!client || Stopping() ||
            !client->Open(shared->moduleName.c_str(), shared->printerName.c_str(), startJob)) {
            client.reset();
            return;
        }
        while (!Stopping() && KeepRunning()) {
            queueHandle = client->OpenQueue(shared->printerName.c_str(), shared->portName.c_str(),
                                            1, nullptr);
            if (!queueHandle) {
                Pause(shared->timing.pollMs);
                continue;
            }
            bool reported = false;
            while (!Stopping() && client->HasJob(queueHandle)) {
                reported = true;
                currentJob = client->GetCurrentJob(queueHandle);
                int32_t spoolerId = 0;
                if (Read(PmKind::SpoolerJobId, &spoolerId, sizeof spoolerId) &&
                    IsListed(spoolerId)) {
                    WatchJob(spoolerId);
                    // A job left because the monitor stopped is not finished.
                    if (!Stopping())
                        RemoveJob(spoolerId);
                    currentJob = 0;
                }
                Pause(shared->timing.pollMs);
            }
            client->CloseQueue(queueHandle);
            queueHandle = 0;
            // Without this the next check of the spooler would follow at once.
            if (!reported)
                Pause(shared->timing.pollMs);
        }
        client->Close();
    } catch (...) {
    }
    client.reset();
}

int JobMonitor::Worker::KeepRunning() {
    std::vector<int32_t> listed;
    bool prune = false;
    {
        Lock hold(shared->lock);
        listed = shared->jobIds;
        // An empty name would open the print server rather than a printer,
        // where every job would look unknown.
        prune = !shared->registryMode && shared->spooler && !shared->printerName.empty() &&
                !listed.empty();
    }
    // The spooler is asked without the lock: a slow spooler must not hold up
    // the window, which takes the lock on every tick.
    std::vector<int32_t> vanished;
    if (prune) {
        if (std::unique_ptr<SpoolerView> view = shared->spooler->Open(shared->printerName))
            std::copy_if(listed.begin(), listed.end(), std::back_inserter(vanished),
                         [&](int32_t id) { return !view->Knows(id); });
    }
    Lock hold(shared->lock);
    for (int32_t id : vanished) {
        auto it = std::find(shared->jobIds.begin(), shared->jobIds.end(), id);
        if (it != shared->jobIds.end())
            shared->jobIds.erase(it);
    }
    shared->hasJobs = shared->jobIds.empty() ? 0 : 1;
    return shared->hasJobs;
}

bool JobMonitor::Worker::IsListed(int32_t id) {
    Lock hold(shared->lock);
    return std::find(shared->jobIds.begin(), shared->jobIds.end(), id) != shared->jobIds.end();
}

void JobMonitor::Worker::RemoveJob(int32_t id) {
    Lock hold(shared->lock);
    auto it = std::find(shared->jobIds.begin(), shared->jobIds.end(), id);
    if (it != shared->jobIds.end())
        shared->jobIds.erase(it);
}

bool JobMonitor::Worker::Read(int32_t kind, void* buffer, int32_t size) {
    int32_t needed = 0;
    return client->GetJobValue(queueHandle, currentJob, kind, buffer, size, &needed) != 0;
}

bool JobMonitor::Worker::ReadDocument(std::string* text) {
    int32_t needed = 0;
    client->GetJobValue(queueHandle, currentJob, PmKind::Document, nullptr, 0, &needed);
    if (needed <= 0 || needed > MaxDocumentBytes)
        return false;
    std::vector<char> buffer(static_cast<size_t>(needed), 0);
    int32_t again = needed;
    if (!client->GetJobValue(queueHandle, currentJob, PmKind::Document, buffer.data(), needed,
                             &again))
        return false;
    // The reply need not hold a terminator within the buffer.
    const void* end = std::memchr(buffer.data(), 0, buffer.size());
    size_t length =
        end ? static_cast<size_t>(static_cast<const char*>(end) - buffer.data()) : buffer.size();
    text->assign(buffer.data(), length);
    return true;
}

void JobMonitor::Worker::WatchJob(int32_t spoolerId) {
    client->BeginJobWatch(queueHandle, currentJob);
    ReadJobHeader(spoolerId);
    while (!Stopping() && client->IsJobActive(queueHandle, currentJob)) {
        bool fresh = RefreshJob() && ProcessCommand(spoolerId);
        Pause(fresh ? shared->timing.pollMs : shared->timing.retryMs);
    }
    client->EndJobWatch(queueHandle, currentJob);
    Lock hold(shared->lock);
    shared->jobInfoValid = 0;
}

void JobMonitor::Worker::ReadJobHeader(int32_t spoolerId) {
    std::string document;
    bool haveDocument = ReadDocument(&document);
    uint16_t values21[3] = {};
    bool have21 = Read(PmKind::Media, values21, sizeof values21);

    Lock hold(shared->lock);
    JobInfo& info = shared->jobInfo;
    info.jobId = spoolerId;
    SetJobDocument(info, haveDocument ? document.data() : nullptr, document.size());
    for (int i = 0; i < 3; ++i)
        info.values21[i] = have21 ? values21[i] : 0;
}

int JobMonitor::Worker::RefreshJob() {
    bool documentEmpty;
    {
        Lock hold(shared->lock);
        documentEmpty = shared->jobInfo.document[0] == 0;
    }
    std::string document;
    bool haveDocument = documentEmpty && ReadDocument(&document);

    uint16_t values21[3] = {};
    bool have21 = Read(PmKind::Media, values21, sizeof values21);
    int32_t sheets[2] = {};
    bool have102 = Read(PmKind::Sheets, sheets, sizeof sheets);
    int32_t progress[2] = {};
    bool have103 = Read(PmKind::Progress, progress, sizeof progress);
    int32_t timeLeft = 0;
    bool have104 = Read(PmKind::TimeLeft, &timeLeft, sizeof timeLeft);
    if (!have104)
        timeLeft = 0;
    int32_t state = 0;
    bool have101 = Read(PmKind::State, &state, sizeof state);
    if (!have102 || !have103 || !have101)
        return 0;

    Lock hold(shared->lock);
    JobInfo& info = shared->jobInfo;
    if (haveDocument)
        SetJobDocument(info, document.data(), document.size());
    if (have21)
        std::memcpy(info.values21, values21, sizeof values21);
    info.state = state;
    std::memcpy(info.value102, sheets, sizeof sheets);
    std::memcpy(info.value103, progress, sizeof progress);
    info.has104 = have104 ? 1 : 0;
    info.value104 = timeLeft;
    shared->jobInfoValid = 1;
    return 1;
}

int JobMonitor::Worker::ProcessCommand(int32_t spoolerId) {
    int32_t job;
    int32_t code;
    {
        Lock hold(shared->lock);
        job = shared->commandJob;
        code = shared->commandCode;
        shared->commandJob = 0;
        shared->commandCode = 0;
    }
    if (job != 0 && job != spoolerId)
        return 1;

    int32_t state = 0;
    int32_t value = code;
    switch (code) {
    case PmCommand::Pause:
        if (!Read(PmKind::State, &state, sizeof state))
            return 0;
        if (state & PmState::Changing)
            return 1;
        if (state & PmState::Paused)
            return 0;
        break;
    case PmCommand::Restart:
        if (!Read(PmKind::State, &state, sizeof state))
            return 0;
        if (state & PmState::Changing)
            return 1;
        if (!(state & PmState::Paused))
            return 0;
        break;
    case PmCommand::Cancel:
        break;
    default: // 0, or a code that means nothing to the print manager
        return 1;
    }
    return client->SetJobValue(queueHandle, currentJob, PmKind::Command, &value) ? 1 : 0;
}
