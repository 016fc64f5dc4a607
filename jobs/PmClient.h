#pragma once
#include <windows.h>
#include <cstdint>
#include <memory>

#include "framework/Handles.h"
#include "jobs/PmModule.h"
#include "jobs/rpc/PmRpcBinding.h"
#include "jobs/PrintManagerClient.h"

// The print manager, reached either in-process through the job-information
// module's exports or by RPC to the print-manager service on the print server
// of a shared printer. Every operation means the same in both modes; a remote
// call that raises any exception (server gone, refused bind, broken reply)
// returns 0. A server whose reply broke the wire contract, or a call that
// faulted in this process, is not called again: every later remote call of the
// client returns 0 at once. One client belongs to the thread that made it.
class PmClient : public PrintManagerClient {
public:
    PmClient() = default;
    ~PmClient() override;

    // Remote when the platform is of the NT family, the printer is
    // "\\server\queue" and the job is spooled as EMF; local otherwise.
    uintptr_t Open(const char* moduleName, const char* printerName, int32_t spoolerJobId) override;
    // The two ways Open goes, for callers that have chosen already.
    uintptr_t OpenLocal(const char* moduleName);
    uintptr_t OpenRemote(const char* serverName, const char* moduleName);
    int32_t Close() override;

    int32_t OpenQueue(const char* printerName, const char* portName, int32_t mode,
                      const void* data) override;
    int32_t CloseQueue(int32_t queue) override;
    int32_t HasJob(int32_t queue) override;
    int32_t GetCurrentJob(int32_t queue) override;
    int32_t IsJobActive(int32_t queue, int32_t job) override;
    int32_t SetJobValue(int32_t queue, int32_t job, int32_t kind, const void* value) override;
    int32_t GetJobValue(int32_t queue, int32_t job, int32_t kind, void* buffer, int32_t size,
                        int32_t* needed) override;
    int32_t BeginJobWatch(int32_t queue, int32_t job) override;
    int32_t EndJobWatch(int32_t queue, int32_t job) override;

    // -1 not connected, 0 local module, 1 remote.
    int32_t Mode() const noexcept { return m_Mode; }
    // True once the remote side is no longer called (see above).
    bool Abandoned() const noexcept { return m_Abandoned; }

    // Whether the spooler's data type of the job names EMF; any failure is "no".
    static bool IsEmfJob(const char* printerName, int32_t spoolerJobId);

private:
    template <typename Call> int32_t Remote(Call&& call);
    void NoteRaised(DWORD code) noexcept;
    void DropRemoteContext() noexcept;

    std::unique_ptr<PmRpcBinding> m_Binding;
    int32_t m_OpenQueue = 0;
    UniqueModule m_Module; // local mode
    LONG m_Connection = 0; // remote mode: what the connect operation returned
    int32_t m_Mode = -1;
    void* m_Context = nullptr; // remote connection's context handle
    bool m_Abandoned = false;

    struct Exports {
        PmOpenQueueFn openQueue = nullptr;
        PmQueueFn closeQueue = nullptr;
        PmQueueFn hasJob = nullptr;
        PmQueueFn getCurrentJob = nullptr;
        PmQueueJobFn isJobActive = nullptr;
        PmSetJobValueFn setJobValue = nullptr;
        PmGetJobValueFn getJobValue = nullptr;
        PmQueueJobFn beginJobWatch = nullptr;
        PmQueueJobFn endJobWatch = nullptr;
    } m_Exports;
};
