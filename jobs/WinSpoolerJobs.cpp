#include "jobs/WinSpoolerJobs.h"

#include <windows.h>
#include <winspool.h>
#include <algorithm>

#include "framework/Handles.h"
#include "jobs/PmClient.h"

bool WinSpoolerJobs::DropVanished(const std::string& printerName, std::vector<int32_t>& ids) {
    UniquePrinter printer;
    if (!::OpenPrinterA(const_cast<char*>(printerName.c_str()), printer.put(), nullptr))
        return false;
    auto vanished = [&](int32_t id) {
        DWORD needed = 0;
        ::GetJobA(printer.get(), static_cast<DWORD>(id), 1, nullptr, 0, &needed);
        return needed == 0;
    };
    ids.erase(std::remove_if(ids.begin(), ids.end(), vanished), ids.end());
    return true;
}

JobMonitor::JobMonitor()
    : JobMonitor([] { return std::make_unique<PmClient>(); }, std::make_shared<WinSpoolerJobs>()) {}
