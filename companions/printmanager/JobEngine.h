#pragma once
#include <windows.h>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "JobStore.h"

// The print manager's operations on the shared job store, for one process: the
// queue handles it gave out, and the jobs of this process's spooler that it
// takes into the store. The in-process module and the service run the same
// engine; results follow the print-manager contract (0 = no / failure).
class JobEngine {
public:
    JobEngine();
    bool IsReady() const noexcept { return store_.IsOpen(); }
    JobStore& Store() noexcept { return store_; }

    int32_t OpenQueue(const char* printerName, const char* portName);
    int32_t CloseQueue(int32_t queue);
    int32_t HasJob(int32_t queue);
    int32_t GetCurrentJob(int32_t queue);
    int32_t IsJobActive(int32_t queue, int32_t job);
    // size: the bytes available at value.
    int32_t SetJobValue(int32_t queue, int32_t job, int32_t kind, const void* value, int32_t size);
    // Too small a buffer (a size probe among them) fails with *needed set.
    int32_t GetJobValue(int32_t queue, int32_t job, int32_t kind, void* buffer, int32_t size,
                        int32_t* needed);
    int32_t BeginJobWatch(int32_t queue, int32_t job);
    int32_t EndJobWatch(int32_t queue, int32_t job);
    // Returns only while the store does not ask calls of this operation (its
    // RPC operation number) to go unanswered: a print manager that hangs.
    void AnswerWhenAllowed(int32_t operation);

private:
    bool QueuePrinter(int32_t queue, std::string* printer);
    // Takes this process's spooler jobs of the printer into the store and ends
    // the ones that left the spooler. Runs at most every FollowIntervalMs.
    void FollowSpooler(const std::string& printer);
    // For a printer that is a real IPP printer: takes its jobs into the store
    // (or links them to the spooler jobs they came from, by name) and moves
    // them with its reports. Runs at most every IppFollowIntervalMs.
    void FollowIpp(const std::string& printer);
    // Sends a command for a job followed on an IPP printer; 1 when taken.
    int32_t IppCommand(const std::string& printer, int32_t job, int32_t command);
    StoredJob* JobOfQueue(StoreHeader& store, const std::string& printer, int32_t job);

    JobStore store_;
    std::mutex lock_;
    std::map<int32_t, std::string> queues_;
    int32_t nextQueue_ = 1;
    std::map<std::string, uint64_t> followed_;
    std::map<std::string, uint64_t> ippFollowed_;
};
