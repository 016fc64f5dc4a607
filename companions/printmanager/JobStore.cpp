#include "JobStore.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "JobTimeline.h"

namespace {
constexpr char Magic[8] = "VRPMJS1";
constexpr uint32_t Version = 3;

// The lock is named after the store's file, so separate stores do not share it.
std::string MutexName(const std::string& path) {
    uint32_t hash = 2166136261u;
    for (char c : path) {
        char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        hash = (hash ^ static_cast<uint8_t>(lower)) * 16777619u;
    }
    char name[64];
    std::snprintf(name, sizeof name, "Local\\VRPM_JobStore_%08X", static_cast<unsigned>(hash));
    return name;
}
} // namespace

std::string JobStore::Path() {
    char path[MAX_PATH];
    DWORD length = ::GetEnvironmentVariableA("VRPM_STORE", path, sizeof path);
    if (length > 0 && length < sizeof path)
        return path;
    length = ::GetTempPathA(sizeof path, path);
    if (length == 0 || length >= sizeof path)
        return "vrpm_jobstore.dat";
    return std::string(path, length) + "vrpm_jobstore.dat";
}

uint64_t JobStore::NowMs() {
    FILETIME now;
    ::GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER ticks;
    ticks.LowPart = now.dwLowDateTime;
    ticks.HighPart = now.dwHighDateTime;
    return ticks.QuadPart / 10000;
}

JobStore::JobStore() {
    std::string path = Path();
    mutex_.reset(::CreateMutexA(nullptr, FALSE, MutexName(path).c_str()));
    if (!mutex_)
        return;
    file_.reset(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_)
        return;
    mapping_.reset(::CreateFileMappingA(file_.get(), nullptr, PAGE_READWRITE, 0,
                                        sizeof(StoreHeader), nullptr));
    if (!mapping_)
        return;
    view_.reset(::MapViewOfFile(mapping_.get(), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(StoreHeader)));
    if (!view_)
        return;
    data_ = static_cast<StoreHeader*>(view_.get());
    InitialiseIfNew();
}

void JobStore::InitialiseIfNew() {
    Access store(*this);
    if (!store)
        return;
    if (std::memcmp(store->magic, Magic, sizeof Magic) == 0 && store->version == Version &&
        store->size == sizeof(StoreHeader))
        return;
    std::memset(&*store, 0, sizeof(StoreHeader));
    std::memcpy(store->magic, Magic, sizeof Magic);
    store->version = Version;
    store->size = sizeof(StoreHeader);
    store->nextNumber = 1;
    store->failKind = NoKind;
    store->dieInOperation = -1;
    store->hangInOperation = -1;
}

JobStore::Access::Access(JobStore& store) : mutex_(store.mutex_.get()) {
    if (!store.data_ || !mutex_)
        return;
    DWORD wait = ::WaitForSingleObject(mutex_, 10000);
    // A holder that died leaves the data as it was; it is still usable.
    if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED)
        header_ = store.data_;
}

JobStore::Access::~Access() {
    if (header_)
        ::ReleaseMutex(mutex_);
}

// cppcheck-suppress constParameter ; the job found is changed through the result
StoredJob* FindJobByNumber(StoreHeader& store, int32_t number) {
    if (number <= 0)
        return nullptr;
    auto found =
        std::find_if(std::begin(store.jobs), std::end(store.jobs),
                     [&](const StoredJob& job) { return job.used && job.number == number; });
    return found == std::end(store.jobs) ? nullptr : found;
}

StoredJob* FindJobBySpoolerId(StoreHeader& store, const char* printer, int32_t spoolerId,
                              uint32_t ownerProcess) {
    for (StoredJob& job : store.jobs)
        if (job.used && job.spoolerId == spoolerId && job.ownerProcess == ownerProcess &&
            _strnicmp(job.printer, printer, StoredNameSize) == 0)
            return &job;
    return nullptr;
}

// cppcheck-suppress constParameter ; the slot is filled through the result
StoredJob* NewJobSlot(StoreHeader& store) {
    StoredJob* oldest = nullptr;
    for (StoredJob& job : store.jobs) {
        if (!job.used)
            return &job;
        if (!JobIsActive(job) && (!oldest || job.endMs < oldest->endMs))
            oldest = &job;
    }
    return oldest;
}

StoredJob* FindLatestBySpoolerId(StoreHeader& store, const char* printer, int32_t spoolerId) {
    StoredJob* latest = nullptr;
    for (StoredJob& job : store.jobs)
        if (job.used && job.spoolerId == spoolerId &&
            _strnicmp(job.printer, printer, StoredNameSize) == 0 &&
            (!latest || job.number > latest->number))
            latest = &job;
    return latest;
}

int32_t AddScriptedJob(StoreHeader& store, const ScriptedJob& script, uint64_t now) {
    if (script.printer.empty() || script.printer.size() >= StoredNameSize ||
        script.document.size() >= StoredNameSize || script.sheets < 1 ||
        script.sheets > MaxSheets || script.msPerSheet < 1 || script.msPerSheet > MaxMsPerSheet ||
        script.transitionMs > MaxMsPerSheet)
        return 0;
    StoredJob* job = NewJobSlot(store);
    if (!job)
        return 0;
    std::memset(job, 0, sizeof *job);
    job->used = 1;
    job->number = store.nextNumber++;
    if (store.nextNumber <= 0)
        store.nextNumber = 1;
    job->spoolerId = script.spoolerId;
    std::memcpy(job->printer, script.printer.c_str(), script.printer.size());
    std::memcpy(job->document, script.document.c_str(), script.document.size());
    job->media[0] = script.copies;
    job->media[1] = script.mediaType;
    job->media[2] = script.paperSize;
    job->sheets = script.sheets;
    job->msPerSheet = script.msPerSheet;
    job->transitionMs = script.transitionMs;
    job->addedMs = now;
    return job->number;
}

void RecordCall(StoreHeader& store, int32_t operation, int32_t job, int32_t kind, int32_t count,
                const char* text, const void* bytes) {
    StoredCall& call = store.calls[store.callSequence % StoreCallCapacity];
    std::memset(&call, 0, sizeof call);
    call.sequence = ++store.callSequence;
    call.operation = operation;
    call.job = job;
    call.kind = kind;
    call.count = count;
    if (text)
        std::snprintf(call.text, sizeof call.text, "%s", text);
    if (bytes && count > 0)
        std::memcpy(call.bytes, bytes, count < 16 ? static_cast<size_t>(count) : 16);
}
