#pragma once
#include "jobs/JobMonitor.h"

// The system spooler's view: a job it no longer knows reports a needed size of
// 0 for GetJobA at level 1.
class WinSpoolerJobs : public SpoolerJobs {
public:
    bool DropVanished(const std::string& printerName, std::vector<int32_t>& ids) override;
};
