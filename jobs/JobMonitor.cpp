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
        : m_ClientFactory(std::move(clientFactory)), m_Spooler(std::move(spooler)),
          m_Timing(timing), m_ModuleName(std::move(moduleName)) {}

    std::mutex m_Lock;
    std::condition_variable m_Wake; // a stop ends every pause at once
    std::vector<int32_t> m_JobIds;
    JobInfo m_JobInfo{};
    int32_t m_CommandJob = 0;
    int32_t m_CommandCode = 0;
    int m_JobInfoValid = 0;
    int m_HasJobs = 0;
    int m_RegistryMode = 0;
    bool m_Stopping = false;

    // Set before any run starts, read-only afterwards.
    std::string m_PrinterName;
    std::string m_PortName;
    const ClientFactory m_ClientFactory;
    const std::shared_ptr<SpoolerJobs> m_Spooler;
    const JobMonitorTiming m_Timing;
    const std::string m_ModuleName;

    bool Stopping() {
        Lock hold(m_Lock);
        return m_Stopping;
    }
};

// One run of the worker thread, with what only the run uses: its own client of
// the print manager, queue handle and job. It holds the shared state, so a run
// that outlives its monitor (let go inside a call that never returned) still
// works on live data and ends at its next step.
class JobMonitor::Worker {
public:
    Worker(std::shared_ptr<Shared> shared, int32_t startJob)
        : m_Shared(std::move(shared)), m_StartJob(startJob) {}
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
    bool Stopping() { return m_Shared->Stopping(); }

    std::shared_ptr<Shared> m_Shared;
    std::unique_ptr<PrintManagerClient> m_Client;
    int32_t m_StartJob = 0;
    int32_t m_QueueHandle = 0;
    int32_t m_CurrentJob = 0;
};

JobMonitor::JobMonitor(ClientFactory clientFactory, std::shared_ptr<SpoolerJobs> spooler,
                       JobMonitorTiming timing, std::string moduleName, WorkerStarter starter)
    : m_Shared(std::make_shared<Shared>(std::move(clientFactory), std::move(spooler), timing,
                                        std::move(moduleName))),
      m_Starter(std::move(starter)) {}

JobMonitor::~JobMonitor() {
    Stop();
    std::lock_guard<std::mutex> starting(m_StartLock);
    if (m_Thread)
        m_Finishing.push_back(std::move(m_Thread));
    const unsigned bound = m_Shared->m_Timing.stopWaitMs;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(bound);
    auto left = [&] {
        auto rest = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        return static_cast<unsigned>(std::max<long long>(0, rest.count()));
    };
    bool allEnded = true;
    for (auto& run : m_Finishing)
        allEnded = run->WaitFor(left()) && allEnded;
    if (allEnded)
        return;
    // Some run is inside a call that does not come back. An RPC call can be
    // abandoned; a module call cannot, and its run is let go.
    for (auto& run : m_Finishing)
        run->CancelBlockingCall();
    const auto second = std::chrono::steady_clock::now() + std::chrono::milliseconds(bound);
    for (auto& run : m_Finishing) {
        auto rest = std::chrono::duration_cast<std::chrono::milliseconds>(
            second - std::chrono::steady_clock::now());
        (void)run->WaitFor(static_cast<unsigned>(std::max<long long>(0, rest.count())));
    }
}

void JobMonitor::Stop() {
    Lock hold(m_Shared->m_Lock);
    m_Shared->m_Stopping = true;
    m_Shared->m_Wake.notify_all();
}

int JobMonitor::SetPrinter(const char* printer, const char* port) {
    if (!m_Shared->m_PrinterName.empty() || !m_Shared->m_PortName.empty())
        return 0;
    m_Shared->m_PrinterName = printer ? printer : "";
    m_Shared->m_PortName = port ? port : "";
    return 1;
}

int JobMonitor::AddJob(int32_t id) {
    bool startRun = false;
    {
        Lock hold(m_Shared->m_Lock);
        if (std::find(m_Shared->m_JobIds.begin(), m_Shared->m_JobIds.end(), id) !=
            m_Shared->m_JobIds.end())
            return 0;
        startRun = m_Shared->m_JobIds.empty() && !m_Shared->m_HasJobs && !m_Shared->m_Stopping;
        m_Shared->m_JobIds.push_back(id);
    }
    if (!startRun)
        return 1;

    std::lock_guard<std::mutex> starting(m_StartLock);
    // The previous run has left its loop; it may still be closing its client.
    // It is not waited for here: the destructor does that, within its bound.
    m_Finishing.erase(
        std::remove_if(m_Finishing.begin(), m_Finishing.end(),
                       [](const std::unique_ptr<WorkerThread>& run) { return run->WaitFor(0); }),
        m_Finishing.end());
    if (m_Thread)
        m_Finishing.push_back(std::move(m_Thread));
    auto worker = std::make_shared<Worker>(m_Shared, id);
    m_Thread = m_Starter ? m_Starter([worker] { worker->Run(); }) : nullptr;
    if (!m_Thread) {
        // No run can follow this id; it must not hold the list open.
        Lock hold(m_Shared->m_Lock);
        auto it = std::find(m_Shared->m_JobIds.begin(), m_Shared->m_JobIds.end(), id);
        if (it != m_Shared->m_JobIds.end())
            m_Shared->m_JobIds.erase(it);
        return 0;
    }
    return 1;
}

int JobMonitor::GetJobCount() {
    Lock hold(m_Shared->m_Lock);
    return static_cast<int>(m_Shared->m_JobIds.size());
}

int JobMonitor::GetJobInfo(JobInfo* destination) {
    Lock hold(m_Shared->m_Lock);
    if (!m_Shared->m_JobInfoValid)
        return 0;
    if (destination)
        *destination = m_Shared->m_JobInfo;
    return 1;
}

void JobMonitor::RequestCommand(int32_t id, int32_t command) {
    Lock hold(m_Shared->m_Lock);
    m_Shared->m_CommandJob = id;
    m_Shared->m_CommandCode = command;
}

void JobMonitor::SetRegistryMode(int flag) {
    Lock hold(m_Shared->m_Lock);
    m_Shared->m_RegistryMode = flag;
}

bool JobMonitor::Worker::Pause(unsigned milliseconds) {
    std::unique_lock<std::mutex> hold(m_Shared->m_Lock);
    return !m_Shared->m_Wake.wait_for(hold, std::chrono::milliseconds(milliseconds),
                                      [&] { return m_Shared->m_Stopping; });
}

void JobMonitor::Worker::Run() noexcept {
    try {
        m_Client = m_Shared->m_ClientFactory ? m_Shared->m_ClientFactory() : nullptr;
        if (!m_Client || Stopping() ||
            !m_Client->Open(m_Shared->m_ModuleName.c_str(), m_Shared->m_PrinterName.c_str(),
                            m_StartJob)) {
            m_Client.reset();
            return;
        }
        while (!Stopping() && KeepRunning()) {
            m_QueueHandle = m_Client->OpenQueue(m_Shared->m_PrinterName.c_str(),
                                                m_Shared->m_PortName.c_str(), 1, nullptr);
            if (!m_QueueHandle) {
                Pause(m_Shared->m_Timing.pollMs);
                continue;
            }
            bool reported = false;
            while (!Stopping() && m_Client->HasJob(m_QueueHandle)) {
                reported = true;
                m_CurrentJob = m_Client->GetCurrentJob(m_QueueHandle);
                int32_t spoolerId = 0;
                if (Read(PmKind::SpoolerJobId, &spoolerId, sizeof spoolerId) &&
                    IsListed(spoolerId)) {
                    WatchJob(spoolerId);
                    // A job left because the monitor stopped is not finished.
                    if (!Stopping())
                        RemoveJob(spoolerId);
                    m_CurrentJob = 0;
                }
                Pause(m_Shared->m_Timing.pollMs);
            }
            m_Client->CloseQueue(m_QueueHandle);
            m_QueueHandle = 0;
            // Without this the next check of the spooler would follow at once.
            if (!reported)
                Pause(m_Shared->m_Timing.pollMs);
        }
        m_Client->Close();
    } catch (...) {
    }
    m_Client.reset();
}

int JobMonitor::Worker::KeepRunning() {
    std::vector<int32_t> listed;
    bool prune = false;
    {
        Lock hold(m_Shared->m_Lock);
        listed = m_Shared->m_JobIds;
        // An empty name would open the print server rather than a printer,
        // where every job would look unknown.
        prune = !m_Shared->m_RegistryMode && m_Shared->m_Spooler &&
                !m_Shared->m_PrinterName.empty() && !listed.empty();
    }
    // The spooler is asked without the lock: a slow spooler must not hold up
    // the window, which takes the lock on every tick.
    std::vector<int32_t> vanished;
    if (prune) {
        if (std::unique_ptr<SpoolerView> view = m_Shared->m_Spooler->Open(m_Shared->m_PrinterName))
            std::copy_if(listed.begin(), listed.end(), std::back_inserter(vanished),
                         [&](int32_t id) { return !view->Knows(id); });
    }
    Lock hold(m_Shared->m_Lock);
    for (int32_t id : vanished) {
        auto it = std::find(m_Shared->m_JobIds.begin(), m_Shared->m_JobIds.end(), id);
        if (it != m_Shared->m_JobIds.end())
            m_Shared->m_JobIds.erase(it);
    }
    m_Shared->m_HasJobs = m_Shared->m_JobIds.empty() ? 0 : 1;
    return m_Shared->m_HasJobs;
}

bool JobMonitor::Worker::IsListed(int32_t id) {
    Lock hold(m_Shared->m_Lock);
    return std::find(m_Shared->m_JobIds.begin(), m_Shared->m_JobIds.end(), id) !=
           m_Shared->m_JobIds.end();
}

void JobMonitor::Worker::RemoveJob(int32_t id) {
    Lock hold(m_Shared->m_Lock);
    auto it = std::find(m_Shared->m_JobIds.begin(), m_Shared->m_JobIds.end(), id);
    if (it != m_Shared->m_JobIds.end())
        m_Shared->m_JobIds.erase(it);
}

bool JobMonitor::Worker::Read(int32_t kind, void* buffer, int32_t size) {
    int32_t needed = 0;
    return m_Client->GetJobValue(m_QueueHandle, m_CurrentJob, kind, buffer, size, &needed) != 0;
}

bool JobMonitor::Worker::ReadDocument(std::string* text) {
    int32_t needed = 0;
    m_Client->GetJobValue(m_QueueHandle, m_CurrentJob, PmKind::Document, nullptr, 0, &needed);
    if (needed <= 0 || needed > MaxDocumentBytes)
        return false;
    std::vector<char> buffer(static_cast<size_t>(needed), 0);
    int32_t again = needed;
    if (!m_Client->GetJobValue(m_QueueHandle, m_CurrentJob, PmKind::Document, buffer.data(), needed,
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
    m_Client->BeginJobWatch(m_QueueHandle, m_CurrentJob);
    ReadJobHeader(spoolerId);
    while (!Stopping() && m_Client->IsJobActive(m_QueueHandle, m_CurrentJob)) {
        bool fresh = RefreshJob() && ProcessCommand(spoolerId);
        Pause(fresh ? m_Shared->m_Timing.pollMs : m_Shared->m_Timing.retryMs);
    }
    m_Client->EndJobWatch(m_QueueHandle, m_CurrentJob);
    Lock hold(m_Shared->m_Lock);
    m_Shared->m_JobInfoValid = 0;
}

void JobMonitor::Worker::ReadJobHeader(int32_t spoolerId) {
    std::string document;
    bool haveDocument = ReadDocument(&document);
    uint16_t values21[3] = {};
    bool have21 = Read(PmKind::Media, values21, sizeof values21);

    Lock hold(m_Shared->m_Lock);
    JobInfo& info = m_Shared->m_JobInfo;
    info.jobId = spoolerId;
    SetJobDocument(info, haveDocument ? document.data() : nullptr, document.size());
    for (int i = 0; i < 3; ++i)
        info.values21[i] = have21 ? values21[i] : 0;
}

int JobMonitor::Worker::RefreshJob() {
    bool documentEmpty;
    {
        Lock hold(m_Shared->m_Lock);
        documentEmpty = m_Shared->m_JobInfo.document[0] == 0;
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

    Lock hold(m_Shared->m_Lock);
    JobInfo& info = m_Shared->m_JobInfo;
    if (haveDocument)
        SetJobDocument(info, document.data(), document.size());
    if (have21)
        std::memcpy(info.values21, values21, sizeof values21);
    info.state = state;
    std::memcpy(info.value102, sheets, sizeof sheets);
    std::memcpy(info.value103, progress, sizeof progress);
    info.has104 = have104 ? 1 : 0;
    info.value104 = timeLeft;
    m_Shared->m_JobInfoValid = 1;
    return 1;
}

int JobMonitor::Worker::ProcessCommand(int32_t spoolerId) {
    int32_t job;
    int32_t code;
    {
        Lock hold(m_Shared->m_Lock);
        job = m_Shared->m_CommandJob;
        code = m_Shared->m_CommandCode;
        m_Shared->m_CommandJob = 0;
        m_Shared->m_CommandCode = 0;
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
    return m_Client->SetJobValue(m_QueueHandle, m_CurrentJob, PmKind::Command, &value) ? 1 : 0;
}
