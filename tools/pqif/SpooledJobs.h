#pragma once
#include <windows.h>

#include <string>
#include <vector>

// Documents this process sends to a printer's spooler queue. Each stays in the
// spooler, open, until the object goes: a job monitor in this process drops
// the ids its spooler no longer knows, and the spooler keeps jobs per process.
class SpooledJobs {
public:
    SpooledJobs() = default;
    ~SpooledJobs();
    SpooledJobs(const SpooledJobs&) = delete;
    SpooledJobs& operator=(const SpooledJobs&) = delete;

    // The spooler's job id, or 0 and the reason in *error.
    LONG Spool(const std::string& printer, const std::string& document, std::string* error);

private:
    std::vector<HANDLE> open_;
};
