#pragma once
#include <string>
#include <utility>
#include <vector>

#include "IppStatusMap.h"
#include "PrinterMib.h"
#include "PrinterSnapshot.h"

// Turns what a printer's MIB says into the status reply the printer status
// library decodes. Each SNMP condition is named by the printer-state-reasons
// keyword of the same condition, and the reply is then formed by the IPP table
// (IppStatusMap), so that a printer shows the same state over either protocol.
namespace snmp {

// The MIB as an IPP printer would have said it: the state, the reasons of the
// table in SnmpStatusMap.cpp, the inks and toners as markers (receptacles are
// reasons, never markers).
ipp::PrinterSnapshot ToSnapshot(const PrinterMib& mib);

ipp::ReplyFields MapPrinterMib(const PrinterMib& mib);

// The table's rows: each SNMP condition and the reason it is shown as.
std::vector<std::pair<std::string, std::string>> ConditionTable();

// Asleep, powered down or in standby: shown as offline, not as an error.
bool IsAsleep(const PrinterMib& mib);

// "MFG:<first word>;MDL:<hrDeviceDescr>;CMD:SNMP;CLS:PRINTER;DES:...;"
std::string MakeDeviceId(const PrinterMib& mib);

} // namespace snmp
