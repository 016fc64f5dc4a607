#pragma once
#include "jobs/JobMonitor.h"

// The system spooler: a job it no longer knows reports a needed size of 0 for
// GetJobA at level 1.
class WinSpoolerJobs : public SpoolerJobs {
public:
    std::unique_ptr<SpoolerView> Open(const std::string& printerName) override;
};
