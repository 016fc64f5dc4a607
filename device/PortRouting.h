#pragma once
#include <string>

// The printer's driver name from the spooler (PRINTER_INFO_2), or "" when the
// printer cannot be opened or read.
std::string GetPrinterDriverName(const char* printerName);

// "software\VORNE\KVR7\Driver\" + the printer's driver name, or "".
std::string GetDriverKeyPath(const char* printerName);

// 1 when the request router serves "LPT", "KLPIP" and "IPX" ports among its values
// KLP00 ... KLP99, or when its key cannot be opened; else 0.
int IsRouterComplete();

// 1 when the caller's token (the thread's, else the process's) has the built-in
// Administrators group enabled.
int IsUserAdmin();

constexpr const char* RequestRouterKeyPath = "software\\VORNE\\KLPrinter\\KLRequestRouter";
constexpr const char* DriverKeyPrefix = "software\\VORNE\\KVR7\\Driver\\";
