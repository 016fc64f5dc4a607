#pragma once
#include <cstdint>

#include "framework/CObject.h"

// The print-manager operations the job monitor uses, with the results it relies
// on: Open non-zero = connected; OpenQueue non-zero = the queue handle; HasJob
// and IsJobActive non-zero while true; GetJobValue and SetJobValue non-zero =
// success. PmClient is the real one; tests put their own behind it.
class PrintManagerClient : public CObject {
public:
    virtual uintptr_t Open(const char* moduleName, const char* printerName,
                           int32_t spoolerJobId) = 0;
    virtual int32_t Close() = 0;
    virtual int32_t OpenQueue(const char* printerName, const char* portName, int32_t mode,
                              const void* data) = 0;
    virtual int32_t CloseQueue(int32_t queue) = 0;
    virtual int32_t HasJob(int32_t queue) = 0;
    virtual int32_t GetCurrentJob(int32_t queue) = 0;
    virtual int32_t IsJobActive(int32_t queue, int32_t job) = 0;
    virtual int32_t SetJobValue(int32_t queue, int32_t job, int32_t kind, const void* value) = 0;
    virtual int32_t GetJobValue(int32_t queue, int32_t job, int32_t kind, void* buffer,
                                int32_t size, int32_t* needed) = 0;
    virtual int32_t BeginJobWatch(int32_t queue, int32_t job) = 0;
    virtual int32_t EndJobWatch(int32_t queue, int32_t job) = 0;
};
