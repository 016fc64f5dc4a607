#include "jobs/WinSpoolerJobs.h"

#include <windows.h>
#include <winspool.h>

#include "framework/Handles.h"
#include "jobs/PmClient.h"
#include "jobs/WinWorkerThread.h"

namespace {
class WinSpoolerView : public SpoolerView {
public:
    explicit WinSpoolerView(UniquePrinter printer) : m_Printer(std::move(printer)) {}
    bool Knows(int32_t spoolerJobId) override {
        DWORD needed = 0;
        ::GetJobA(m_Printer.get(), static_cast<DWORD>(spoolerJobId), 1, nullptr, 0, &needed);
        return needed != 0;
    }

private:
    UniquePrinter m_Printer;
};
} // namespace

std::unique_ptr<SpoolerView> WinSpoolerJobs::Open(const std::string& printerName) {
    UniquePrinter printer;
    if (!::OpenPrinterA(const_cast<char*>(printerName.c_str()), printer.put(), nullptr))
        return nullptr;
    return std::make_unique<WinSpoolerView>(std::move(printer));
}

JobMonitor::JobMonitor()
    : JobMonitor([] { return std::make_unique<PmClient>(); }, std::make_shared<WinSpoolerJobs>(),
                 JobMonitorTiming{}, "vrkit10.dll", StartWinWorker) {}
