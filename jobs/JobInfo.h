#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

constexpr size_t JobDocumentSize = 64;

// The values of the job being watched, copied whole to the window.
struct JobInfo {
    int32_t jobId;                  // spooler job id
    char document[JobDocumentSize]; // zero-padded; no terminator when it is full
    uint16_t values21[3];           // kind 21; zeros when the read failed
    int32_t state;                  // kind 101
    int32_t value102[2];            // kind 102: sheets done, sheets in all
    int32_t value103[2];            // kind 103: progress done, progress total
    int32_t has104;                 // non-zero when kind 104 was read
    int32_t value104;               // kind 104: seconds left; 0 when the read failed
};

// The window copies the record whole; its layout is part of that contract.
static_assert(offsetof(JobInfo, document) == 4 && offsetof(JobInfo, values21) == 68 &&
                  offsetof(JobInfo, state) == 76 && offsetof(JobInfo, value102) == 80 &&
                  offsetof(JobInfo, value103) == 88 && offsetof(JobInfo, has104) == 96 &&
                  offsetof(JobInfo, value104) == 100 && sizeof(JobInfo) == 104,
              "JobInfo layout");

// The document name as text: at most JobDocumentSize characters.
std::string JobDocumentText(const JobInfo& info);

// Fills the document field from text of which at most available bytes may be
// read (the text need not be terminated within them).
void SetJobDocument(JobInfo& info, const char* text, size_t available);
