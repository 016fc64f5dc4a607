#pragma once
#include <cstddef>
#include <cstdint>

// One print-manager job as kept in the shared job store. Plain data: every
// process that maps the store reads and writes it under the store's lock.
constexpr size_t StoredNameSize = 260;
constexpr uint32_t MaxSheets = 100000;
constexpr uint32_t MaxMsPerSheet = 3600000;

enum class JobEnding : int32_t { None = 0, Done, Cancelled, Failed, Left };

struct StoredJob {
    uint32_t used;
    int32_t number;        // print-manager job number, 1 and up
    int32_t spoolerId;     // the spooler's id (kind 3)
    uint32_t ownerProcess; // the process whose spooler holds the job; 0 = scripted
    char printer[StoredNameSize];
    char document[StoredNameSize];
    uint16_t media[3]; // kind 21: copies, media-type code, paper-size code
    uint16_t reserved;
    uint32_t sheets;
    uint32_t msPerSheet;
    uint32_t transitionMs;  // how long a pause or its release takes
    int32_t pendingCommand; // 1 pause or 2 release under way, 0 none
    JobEnding ending;
    int32_t lastCommand;
    uint32_t commandCount;
    uint32_t watchBegins;
    uint32_t watchEnds;
    uint32_t reserved2;
    uint64_t addedMs;    // all times: milliseconds of the system clock
    uint64_t startMs;    // 0 while waiting in the queue
    uint64_t pausedAtMs; // 0 while not paused
    uint64_t pausedTotalMs;
    uint64_t pendingAtMs; // when the pending command takes effect
    uint64_t endMs;
    // A job followed on an IPP printer: its id there and what it last reported.
    // Such a job moves with the printer's reports, not with the clock.
    int32_t ippJobId; // 0 = not followed on an IPP printer
    int32_t ippState; // job-state: 3 pending, 4 held, 5 processing, 6 stopped, 7..9 ended
    int32_t ippDone;  // sheets (or impressions) completed
    int32_t ippTotal; // sheets (or impressions) in all; 0 = not known
    char ippUser[64]; // job-originating-user-name, which commands on the job must carry
};

// What an IPP printer reports of one job.
struct IppJobReport {
    int32_t id = 0;
    int32_t state = 0;
    int32_t done = 0;
    int32_t total = 0;
    char name[StoredNameSize] = {};
    char user[64] = {};
};

// State bits reported as kind 101.
namespace JobBits {
constexpr int32_t Printing = 0x01;
constexpr int32_t Waiting = 0x02;
constexpr int32_t Done = 0x04;
constexpr int32_t Changing = 0x08;
constexpr int32_t Paused = 0x10;
constexpr int32_t Cancelled = 0x20;
constexpr int32_t Failed = 0x40;
constexpr int32_t Left = 0x80;
} // namespace JobBits
