#pragma once
#include <string>
#include <vector>

#include "StoredJob.h"

// The print manager's side of a printer that is a real IPP printer (an
// ippeveprinter, a CUPS queue's ipp:// address): the jobs it reports and the
// commands it takes. Every exchange is bounded in time.
namespace ippjobs {

// The printer's IPP address, when the product knows it as an IPP printer (the
// same "IppUri" that makes the bidirectional library ask it for status).
std::string PrinterUri(const std::string& printer);

// Jobs the printer has not finished yet. False when it did not answer.
bool NotCompletedJobs(const std::string& uri, std::vector<IppJobReport>* jobs);
// One job, also after it has finished. False when the printer does not know it.
bool JobReport(const std::string& uri, int32_t id, IppJobReport* report);
// Hold-Job, Release-Job or Cancel-Job on behalf of the job's own user. True
// when the printer took it.
bool SendJobOperation(const std::string& uri, int32_t operation, int32_t id,
                      const std::string& user);

} // namespace ippjobs
