#pragma once
#include <windows.h>
#include <cstdint>
#include <string>

#include "StoredJob.h"
#include "framework/Handles.h"

// A remote call as the print-manager service received it, kept so that tests
// and pmctl can see what went over the wire.
struct StoredCall {
    uint32_t sequence;
    int32_t operation;
    int32_t job;
    int32_t kind;
    int32_t count;
    char text[64];     // the printer name of operation 4
    uint8_t bytes[16]; // the first bytes of the operation's array
};

constexpr uint32_t StoreJobCapacity = 64;
constexpr uint32_t StoreCallCapacity = 32;
constexpr int32_t NoKind = INT32_MIN;

struct StoreHeader {
    char magic[8];
    uint32_t version;
    uint32_t size;
    int32_t nextNumber;
    int32_t failKind;       // GetJobValue of this kind fails; NoKind = none
    int32_t dieInOperation; // the service ends its process inside this operation; -1 none
    uint32_t servicePid;
    uint32_t callSequence;
    int32_t hangInOperation; // calls of this operation do not answer while set; -1 none
    uint32_t heldCalls;      // calls that met the hang, for tests to wait on
    StoredCall calls[StoreCallCapacity];
    StoredJob jobs[StoreJobCapacity];
};

// The print manager's jobs, shared by every process of the product: a file
// mapping of a file (VRPM_STORE in the environment, else vrpm_jobstore.dat in
// the temporary folder), guarded by a named mutex. The in-process module, the
// service and pmctl all work on the same jobs this way.
class JobStore {
public:
    JobStore();
    bool IsOpen() const noexcept { return data_ != nullptr; }

    // Holds the store's lock for its lifetime.
    class Access {
    public:
        explicit Access(JobStore& store);
        ~Access();
        Access(const Access&) = delete;
        Access& operator=(const Access&) = delete;
        StoreHeader* operator->() const noexcept { return header_; }
        StoreHeader& operator*() const noexcept { return *header_; }
        explicit operator bool() const noexcept { return header_ != nullptr; }

    private:
        HANDLE mutex_;
        StoreHeader* header_ = nullptr;
    };

    static std::string Path();
    static uint64_t NowMs();

private:
    void InitialiseIfNew();

    UniqueKernelHandle mutex_;
    UniqueFile file_;
    UniqueKernelHandle mapping_;
    UniqueMapView view_;
    StoreHeader* data_ = nullptr;
};

// Store operations shared by the module, the service and pmctl (lock held).
StoredJob* FindJobByNumber(StoreHeader& store, int32_t number);
StoredJob* FindJobBySpoolerId(StoreHeader& store, const char* printer, int32_t spoolerId,
                              uint32_t ownerProcess);
// A free slot, or the slot of the job that ended longest ago; null when full.
StoredJob* NewJobSlot(StoreHeader& store);
// The most recent job with this spooler id on the printer (any process).
StoredJob* FindLatestBySpoolerId(StoreHeader& store, const char* printer, int32_t spoolerId);

// A job added by script (pmctl, tests, the demo) rather than taken from a spooler.
struct ScriptedJob {
    int32_t spoolerId = 0;
    std::string printer = "Kestrel_K7";
    std::string document;
    uint32_t sheets = 3;
    uint32_t msPerSheet = 1000;
    uint16_t copies = 1;
    uint16_t mediaType = 257;
    uint16_t paperSize = 9;
    uint32_t transitionMs = 500;
};
// The new job's number; 0 when the store is full or a value is out of range.
int32_t AddScriptedJob(StoreHeader& store, const ScriptedJob& job, uint64_t now);

void RecordCall(StoreHeader& store, int32_t operation, int32_t job, int32_t kind, int32_t count,
                const char* text, const void* bytes);
