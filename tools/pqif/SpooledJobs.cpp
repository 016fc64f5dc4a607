#include "tools/pqif/SpooledJobs.h"

#include <winspool.h>

SpooledJobs::~SpooledJobs() {
    for (HANDLE printer : open_) {
        // A job the print manager cancelled is gone from the spooler already;
        // ending it then fails, which changes nothing.
        ::EndDocPrinter(printer);
        ::ClosePrinter(printer);
    }
}

LONG SpooledJobs::Spool(const std::string& printer, const std::string& document,
                        std::string* error) {
    HANDLE handle = nullptr;
    if (!::OpenPrinterA(const_cast<char*>(printer.c_str()), &handle, nullptr)) {
        *error = "the spooler has no printer \"" + printer + "\"";
        return 0;
    }
    DOC_INFO_1A info = {const_cast<char*>(document.c_str()), nullptr, const_cast<char*>("RAW")};
    const DWORD id = ::StartDocPrinterA(handle, 1, reinterpret_cast<BYTE*>(&info));
    if (id == 0) {
        *error = "the spooler did not take \"" + document + "\" (error " +
                 std::to_string(::GetLastError()) + ")";
        ::ClosePrinter(handle);
        return 0;
    }
    // Something to print, so that the job is not empty when it reaches the queue.
    const std::string page = document + "\f";
    DWORD written = 0;
    ::WritePrinter(handle, const_cast<char*>(page.data()), static_cast<DWORD>(page.size()),
                   &written);
    open_.push_back(handle);
    return static_cast<LONG>(id);
}
