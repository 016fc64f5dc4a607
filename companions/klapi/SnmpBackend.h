#pragma once
#include <windows.h>

#include "companions/klapi/NetworkBackend.h"
#include "companions/klapi/SimStore.h"

// A simulated printer whose key holds "SnmpAgent" answers for a printer that
// speaks SNMP: its "DeviceID" and "Reply" are refreshed from the Host
// Resources and Printer MIB at most once per interval ("SnmpInterval",
// 500..60000 ms, default 2000). Each request waits "SnmpTimeout" (200..10000
// ms, default 1500) and is sent again "SnmpRetries" times (0..5, default 1),
// with community "SnmpCommunity" (default "public") and "SnmpVersion" 1 or 2
// (v2c, the default).
namespace snmpbackend {

bool IsSnmp(const simstore::SimPrinter& printer);
DWORD Interval(const simstore::SimPrinter& printer);

// As ippbackend::Update; `seen` receives what the printer said when it was asked.
netbackend::Refresh Update(simstore::SimPrinter& printer, bool force,
                           netbackend::Observation* seen);

} // namespace snmpbackend
