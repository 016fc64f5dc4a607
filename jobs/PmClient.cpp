#include "jobs/PmClient.h"

#include <winspool.h>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "PrintManager.h"
#include "framework/Handles.h"
#include "jobs/rpc/PmJobValueCall.h"
#include "jobs/PmNames.h"
#include "jobs/PmValueKinds.h"
#include "jobs/rpc/SehGuard.h"
#include "support/LibraryLoad.h"
#include "support/Platform.h"

namespace {

// The implicit binding handle is process-wide: a bind and the connect call that
// uses it must not interleave with another connection's.
std::mutex& ConnectLock() {
    static std::mutex lock;
    return lock;
}

template <typename Fn> Fn Export(HMODULE module, WORD ordinal) {
    return reinterpret_cast<Fn>(::GetProcAddress(module, MAKEINTRESOURCEA(ordinal)));
}

const char* OrEmpty(const char* text) {
    return text ? text : "";
}

// A placeholder that the stub may write into when it stands for an in/out array.
struct Placeholder {
    unsigned char bytes[PmPlaceholderSize];
    Placeholder() { std::memcpy(bytes, PmPlaceholder, PmPlaceholderSize); }
};

} // namespace

// RPC failures are raised with the run time's status codes (small Win32
// error numbers); anything with the high bit set (an access violation, a C++
// exception) is a fault inside this process that must not be retried.
void PmClient::NoteRaised(DWORD code) noexcept {
    if (code & 0x80000000u)
        m_Abandoned = true;
}

template <typename Call> int32_t PmClient::Remote(Call&& call) {
    if (m_Abandoned)
        return 0;
    LONG result = 0;
    SehOutcome outcome = CatchStructured([&] { result = call(); });
    if (outcome.raised) {
        NoteRaised(outcome.code);
        return 0;
    }
    return result;
}

PmClient::~PmClient() {
    if (m_OpenQueue)
        PmClient::CloseQueue(m_OpenQueue);
    if (m_Module || m_Connection)
        PmClient::Close();
    DropRemoteContext();
    m_Binding.reset();
}

bool PmClient::IsEmfJob(const char* printerName, int32_t spoolerJobId) {
    if (!printerName || !*printerName)
        return false;
    UniquePrinter printer;
    if (!::OpenPrinterA(const_cast<char*>(printerName), printer.put(), nullptr))
        return false;
    DWORD needed = 0;
    ::GetJobA(printer.get(), static_cast<DWORD>(spoolerJobId), 2, nullptr, 0, &needed);
    if (needed < sizeof(JOB_INFO_2A))
        return false;
    std::vector<BYTE> buffer(needed);
    if (!::GetJobA(printer.get(), static_cast<DWORD>(spoolerJobId), 2, buffer.data(), needed,
                   &needed))
        return false;
    const auto* job = reinterpret_cast<const JOB_INFO_2A*>(buffer.data());
    return job->pDatatype && std::strstr(job->pDatatype, "EMF") != nullptr;
}

uintptr_t PmClient::Open(const char* moduleName, const char* printerName, int32_t spoolerJobId) {
    std::string server;
    if (IsNtPlatform() && PmServerOfPrinter(printerName, &server) &&
        IsEmfJob(printerName, spoolerJobId))
        return OpenRemote(server.c_str(), moduleName);
    return OpenLocal(moduleName);
}

uintptr_t PmClient::OpenLocal(const char* moduleName) {
    if (m_Mode != -1 || !moduleName)
        return 0;
    m_Mode = 0;
    // From this library's folder only: without it there is no safe place to look.
    m_Module = LoadCodeLibrary(moduleName, OwnFolder());
    if (!m_Module)
        return 0;
    m_Exports.openQueue = Export<PmOpenQueueFn>(m_Module.get(), PmOrdinal::OpenQueue);
    m_Exports.closeQueue = Export<PmQueueFn>(m_Module.get(), PmOrdinal::CloseQueue);
    m_Exports.hasJob = Export<PmQueueFn>(m_Module.get(), PmOrdinal::HasJob);
    m_Exports.getCurrentJob = Export<PmQueueFn>(m_Module.get(), PmOrdinal::GetCurrentJob);
    m_Exports.isJobActive = Export<PmQueueJobFn>(m_Module.get(), PmOrdinal::IsJobActive);
    m_Exports.setJobValue = Export<PmSetJobValueFn>(m_Module.get(), PmOrdinal::SetJobValue);
    m_Exports.getJobValue = Export<PmGetJobValueFn>(m_Module.get(), PmOrdinal::GetJobValue);
    m_Exports.beginJobWatch = Export<PmQueueJobFn>(m_Module.get(), PmOrdinal::BeginJobWatch);
    m_Exports.endJobWatch = Export<PmQueueJobFn>(m_Module.get(), PmOrdinal::EndJobWatch);
    return reinterpret_cast<uintptr_t>(m_Module.get());
}

uintptr_t PmClient::OpenRemote(const char* serverName, const char* moduleName) {
    if (m_Mode != -1)
        return 0;
    m_Mode = 1;
    char endpoint[64];
    std::snprintf(endpoint, sizeof endpoint, "\\pipe\\%s", "VORNE_PM_RPC_02");

    std::lock_guard<std::mutex> hold(ConnectLock());
    m_Binding = std::make_unique<PmRpcBinding>(serverName, "ncacn_np", endpoint);
    if (!m_Binding->IsBound())
        return 0;
    const char* name = OrEmpty(moduleName);
    PM_CONTEXT received = nullptr;
    m_Connection = Remote([&] { return PmConnect(&received, name); });
    m_Context = received;
    if (!m_Connection)
        DropRemoteContext();
    return static_cast<uintptr_t>(static_cast<ULONG>(m_Connection));
}

int32_t PmClient::Close() {
    if (m_Mode == 0 && m_Module) {
        m_Module.reset();
        m_Exports = Exports{};
        return 1;
    }
    if (m_Mode == 1 && m_Connection) {
        PM_CONTEXT* ctx = reinterpret_cast<PM_CONTEXT*>(&m_Context);
        int32_t result = Remote([&] { return PmDisconnect(ctx); });
        if (result != 1)
            return result;
        m_Binding.reset();
        m_Connection = 0;
        return 1;
    }
    return 0;
}

// A context the server can no longer be asked to close is freed on this side.
void PmClient::DropRemoteContext() noexcept {
    if (!m_Context)
        return;
    PM_CONTEXT* ctx = reinterpret_cast<PM_CONTEXT*>(&m_Context);
    CatchStructured([&] { ::RpcSsDestroyClientContext(ctx); });
    m_Context = nullptr;
}

int32_t PmClient::OpenQueue(const char* printerName, const char* portName, int32_t queueMode,
                            const void* data) {
    if (m_Mode == 0)
        return m_Exports.openQueue ? m_Exports.openQueue(printerName, portName, queueMode, data)
                                   : 0;
    if (m_Mode != 1)
        return 0;
    // The queue's data has no size in this call; nothing but the placeholder goes.
    (void)data;
    Placeholder placeholder;
    const char* printer = PmRemotePrinterName(printerName);
    const char* port = OrEmpty(portName);
    PM_CONTEXT* ctx = reinterpret_cast<PM_CONTEXT*>(&m_Context);
    int32_t result = Remote([&] {
        return PmOpenQueue(ctx, printer, port, queueMode, PmPlaceholderSize, placeholder.bytes);
    });
    if (result)
        m_OpenQueue = result;
    return result;
}

int32_t PmClient::CloseQueue(int32_t queue) {
    if (m_Mode == 0)
        return m_Exports.closeQueue ? m_Exports.closeQueue(queue) : 0;
    if (m_Mode != 1)
        return 0;
    PM_CONTEXT* ctx = reinterpret_cast<PM_CONTEXT*>(&m_Context);
    int32_t result = Remote([&] { return PmCloseQueue(ctx); });
    if (result == 1)
        m_OpenQueue = 0;
    return result;
}

int32_t PmClient::HasJob(int32_t queue) {
    if (m_Mode == 0)
        return m_Exports.hasJob ? m_Exports.hasJob(queue) : 0;
    if (m_Mode != 1)
        return 0;
    PM_CONTEXT* ctx = reinterpret_cast<PM_CONTEXT*>(&m_Context);
    return Remote([&] { return PmHasJob(ctx); });
}

int32_t PmClient::GetCurrentJob(int32_t queue) {
    if (m_Mode == 0)
        return m_Exports.getCurrentJob ? m_Exports.getCurrentJob(queue) : 0;
    if (m_Mode != 1)
        return 0;
    PM_CONTEXT* ctx = reinterpret_cast<PM_CONTEXT*>(&m_Context);
    return Remote([&] { return PmGetCurrentJob(ctx); });
}

int32_t PmClient::IsJobActive(int32_t queue, int32_t job) {
    if (m_Mode == 0)
        return m_Exports.isJobActive ? m_Exports.isJobActive(queue, job) : 0;
    if (m_Mode != 1)
        return 0;
    PM_CONTEXT* ctx = reinterpret_cast<PM_CONTEXT*>(&m_Context);
    return Remote([&] { return PmIsJobActive(ctx, job); });
}

int32_t PmClient::SetJobValue(int32_t queue, int32_t job, int32_t kind, const void* value) {
    if (m_Mode == 0)
        return m_Exports.setJobValue ? m_Exports.setJobValue(queue, job, kind, value) : 0;
    if (m_Mode != 1)
        return 0;
    int32_t size = PmValueSize(kind, value);
    Placeholder placeholder;
    unsigned char* bytes = placeholder.bytes;
    if (value && size > 0)
        bytes = static_cast<unsigned char*>(const_cast<void*>(value));
    else
        size = PmPlaceholderSize;
    PM_CONTEXT* ctx = reinterpret_cast<PM_CONTEXT*>(&m_Context);
    return Remote([&] { return PmSetJobValue(ctx, job, kind, size, bytes); });
}

int32_t PmClient::GetJobValue(int32_t queue, int32_t job, int32_t kind, void* buffer, int32_t size,
                              int32_t* needed) {
    if (m_Mode == 0) {
        return m_Exports.getJobValue ? m_Exports.getJobValue(queue, job, kind, buffer, size,
                                                             reinterpret_cast<LONG*>(needed))
                                     : 0;
    }
    if (m_Mode != 1)
        return 0;
    if (m_Abandoned)
        return 0;
    // A size probe sends the placeholder, and nothing comes back into the
    // caller's (absent) buffer.
    bool probe = !buffer || size <= 0;
    uint32_t count = probe ? PmPlaceholderSize : static_cast<uint32_t>(size);
    const auto* sent = probe ? reinterpret_cast<const unsigned char*>(PmPlaceholder)
                             : static_cast<const unsigned char*>(buffer);
    PmJobValueOutcome outcome = CallGetJobValue(
        &m_Context, job, kind, sent, count, probe ? nullptr : static_cast<unsigned char*>(buffer),
        needed ? *needed : 0);
    switch (outcome.kind) {
    case PmJobValueOutcome::Answered:
        if (needed)
            *needed = outcome.needed;
        return outcome.result;
    case PmJobValueOutcome::Rejected:
        m_Abandoned = true;
        return 0;
    case PmJobValueOutcome::Raised:
        NoteRaised(outcome.code);
        return 0; // the caller's buffer and needed stay as they were
    }
    return 0;
}

int32_t PmClient::BeginJobWatch(int32_t queue, int32_t job) {
    if (m_Mode == 0)
        return m_Exports.beginJobWatch ? m_Exports.beginJobWatch(queue, job) : 0;
    if (m_Mode != 1)
        return 0;
    PM_CONTEXT* ctx = reinterpret_cast<PM_CONTEXT*>(&m_Context);
    return Remote([&] { return PmBeginJobWatch(ctx, job); });
}

int32_t PmClient::EndJobWatch(int32_t queue, int32_t job) {
    if (m_Mode == 0)
        return m_Exports.endJobWatch ? m_Exports.endJobWatch(queue, job) : 0;
    if (m_Mode != 1)
        return 0;
    PM_CONTEXT* ctx = reinterpret_cast<PM_CONTEXT*>(&m_Context);
    return Remote([&] { return PmEndJobWatch(ctx, job); });
}
