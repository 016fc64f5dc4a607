#include "jobs/JobMonitor.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "jobs/PmValueKinds.h"

namespace {
// A document name larger than this is not a name; the read is not attempted.
constexpr int32_t MaxDocumentBytes = 64 * 1024;

using Lock = std::lock_guard<std::mutex>;
} // namespace

JobMonitor::JobMonitor(ClientFactory clientFactory, std::shared_ptr<SpoolerJobs> spooler,
                       JobMonitorTiming timing, std::string moduleName)
    : clientFactory(std::move(clientFactory)), spooler(std::move(spooler)), timing(timing),
      moduleName(std::move(moduleName)) {}

JobMonitor::~JobMonitor() {
    std::lock_guard<std::mutex> starting(startLock);
    if (thread.joinable())
        thread.join();
}

int JobMonitor::SetPrinter(const char* printer, const char* port) {
    if (!printerName.empty() || !portName.empty())
        return 0;
    printerName = printer ? printer : "";
    portName = port ? port : "";
    return 1;
}

int JobMonitor::AddJob(int32_t id) {
    bool startRun = false;
    {
        Lock hold(lock);
        if (std::find(jobIds.begin(), jobIds.end(), id) != jobIds.end())
            return 0;
        startRun = jobIds.empty() && !hasJobs;
        jobIds.push_back(id);
    }
    if (!startRun)
        return 1;

    std::lock_guard<std::mutex> starting(startLock);
    if (thread.joinable())
        thread.join();
    startJob = id;
    try {
        thread = std::thread([this] { Run(); });
    } catch (...) {
        // No run can follow this id; it must not hold the list open.
        RemoveJob(id);
        return 0;
    }
    return 1;
}

int JobMonitor::GetJobCount() {
    Lock hold(lock);
    return static_cast<int>(jobIds.size());
}

int JobMonitor::GetJobInfo(JobInfo* destination) {
    Lock hold(lock);
    if (!jobInfoValid)
        return 0;
    if (destination)
        *destination = jobInfo;
    return 1;
}

void JobMonitor::RequestCommand(int32_t id, int32_t command) {
    Lock hold(lock);
    commandJob = id;
    commandCode = command;
}

void JobMonitor::SetRegistryMode(int flag) {
    Lock hold(lock);
    registryMode = flag;
}

void JobMonitor::Pause(unsigned milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void JobMonitor::Run() noexcept {
    try {
        client = clientFactory ? clientFactory() : nullptr;
        if (!client || !client->Open(moduleName.c_str(), printerName.c_str(), startJob)) {
            client.reset();
            return;
        }
        while (KeepRunning()) {
            queueHandle = client->OpenQueue(printerName.c_str(), portName.c_str(), 1, nullptr);
            if (!queueHandle) {
                Pause(timing.pollMs);
                continue;
            }
            bool reported = false;
            while (client->HasJob(queueHandle)) {
                reported = true;
                currentJob = client->GetCurrentJob(queueHandle);
                int32_t spoolerId = 0;
                if (Read(PmKind::SpoolerJobId, &spoolerId, sizeof spoolerId) &&
                    IsListed(spoolerId)) {
                    WatchJob(spoolerId);
                    RemoveJob(spoolerId);
                    currentJob = 0;
                }
                Pause(timing.pollMs);
            }
            client->CloseQueue(queueHandle);
            queueHandle = 0;
            // Without this the next check of the spooler would follow at once.
            if (!reported)
                Pause(timing.pollMs);
        }
        client->Close();
    } catch (...) {
    }
    client.reset();
}

int JobMonitor::KeepRunning() {
    Lock hold(lock);
    // An empty name would open the print server rather than a printer, where
    // every job would look unknown.
    if (!registryMode && spooler && !printerName.empty()) {
        if (std::unique_ptr<SpoolerView> view = spooler->Open(printerName)) {
            auto vanished = [&](int32_t id) { return !view->Knows(id); };
            jobIds.erase(std::remove_if(jobIds.begin(), jobIds.end(), vanished), jobIds.end());
        }
    }
    hasJobs = jobIds.empty() ? 0 : 1;
    return hasJobs;
}

bool JobMonitor::IsListed(int32_t id) {
    Lock hold(lock);
    return std::find(jobIds.begin(), jobIds.end(), id) != jobIds.end();
}

void JobMonitor::RemoveJob(int32_t id) {
    Lock hold(lock);
    auto it = std::find(jobIds.begin(), jobIds.end(), id);
    if (it != jobIds.end())
        jobIds.erase(it);
}

bool JobMonitor::Read(int32_t kind, void* buffer, int32_t size) {
    int32_t needed = 0;
    return client->GetJobValue(queueHandle, currentJob, kind, buffer, size, &needed) != 0;
}

bool JobMonitor::ReadDocument(std::string* text) {
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

void JobMonitor::WatchJob(int32_t spoolerId) {
    client->BeginJobWatch(queueHandle, currentJob);
    ReadJobHeader(spoolerId);
    while (client->IsJobActive(queueHandle, currentJob)) {
        bool fresh = RefreshJob() && ProcessCommand(spoolerId);
        Pause(fresh ? timing.pollMs : timing.retryMs);
    }
    client->EndJobWatch(queueHandle, currentJob);
    Lock hold(lock);
    jobInfoValid = 0;
}

void JobMonitor::ReadJobHeader(int32_t spoolerId) {
    std::string document;
    bool haveDocument = ReadDocument(&document);
    uint16_t values21[3] = {};
    bool have21 = Read(PmKind::Media, values21, sizeof values21);

    Lock hold(lock);
    jobInfo.jobId = spoolerId;
    SetJobDocument(jobInfo, haveDocument ? document.data() : nullptr, document.size());
    for (int i = 0; i < 3; ++i)
        jobInfo.values21[i] = have21 ? values21[i] : 0;
}

int JobMonitor::RefreshJob() {
    bool documentEmpty;
    {
        Lock hold(lock);
        documentEmpty = jobInfo.document[0] == 0;
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

    Lock hold(lock);
    if (haveDocument)
        SetJobDocument(jobInfo, document.data(), document.size());
    if (have21)
        std::memcpy(jobInfo.values21, values21, sizeof values21);
    jobInfo.state = state;
    std::memcpy(jobInfo.value102, sheets, sizeof sheets);
    std::memcpy(jobInfo.value103, progress, sizeof progress);
    jobInfo.has104 = have104 ? 1 : 0;
    jobInfo.value104 = timeLeft;
    jobInfoValid = 1;
    return 1;
}

int JobMonitor::ProcessCommand(int32_t spoolerId) {
    int32_t job;
    int32_t code;
    {
        Lock hold(lock);
        job = commandJob;
        code = commandCode;
        commandJob = 0;
        commandCode = 0;
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
