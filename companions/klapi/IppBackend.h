#pragma once
#include <windows.h>

#include "companions/klapi/NetworkBackend.h"
#include "companions/klapi/SimStore.h"

// A simulated printer whose key holds "IppUri" answers for a real IPP printer:
// its "DeviceID" and "Reply" are refreshed from Get-Printer-Attributes at most
// once per interval ("IppInterval", 500..60000 ms, default 2000), each exchange
// bounded by "IppTimeout" (200..10000 ms, default 3000). A refresh writes
// "Reply" only when it changed, so the status watcher's registry notification
// turns a change into message 1026.
namespace ippbackend {

bool IsIpp(const simstore::SimPrinter& printer);

enum class Refresh { Current, Unreachable };

// Brings the printer's values up to date when the last refresh is older than
// the interval (or always, with force). Unreachable: the printer did not answer
// in time or answered nonsense; the stored values are left as they were.
// `seen`, when given, receives what the printer said when it was asked.
Refresh Update(simstore::SimPrinter& printer, bool force, netbackend::Observation* seen = nullptr);

DWORD Interval(const simstore::SimPrinter& printer);

} // namespace ippbackend
