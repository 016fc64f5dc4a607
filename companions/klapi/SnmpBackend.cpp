#include "companions/klapi/SnmpBackend.h"

#include <algorithm>
#include <vector>

#include "SnmpClient.h"
#include "SnmpStatusMap.h"

namespace snmpbackend {

namespace {

DWORD Bounded(const simstore::SimPrinter& printer, const char* value, DWORD fallback, DWORD low,
              DWORD high) {
    return std::clamp(printer.Dword(value, fallback), low, high);
}

bool AgentOf(const simstore::SimPrinter& printer, snmp::Agent& agent) {
    if (!snmp::ParseAgentAddress(printer.String(simstore::SnmpAgentValue), agent.host, agent.port))
        return false;
    std::string community = printer.String(simstore::SnmpCommunityValue);
    agent.community = community.empty() ? "public" : community;
    agent.version =
        printer.Dword(simstore::SnmpVersionValue, 2) == 1 ? snmp::kVersion1 : snmp::kVersion2c;
    agent.timeoutMs = Bounded(printer, simstore::SnmpTimeoutValue, 1500, 200, 10000);
    agent.retries = Bounded(printer, simstore::SnmpRetriesValue, 1, 0, 5);
    return true;
}

} // namespace

bool IsSnmp(const simstore::SimPrinter& printer) {
    return !printer.String(simstore::SnmpAgentValue).empty();
}

DWORD Interval(const simstore::SimPrinter& printer) {
    return Bounded(printer, simstore::SnmpIntervalValue, 2000, 500, 60000);
}

netbackend::Refresh Update(simstore::SimPrinter& printer, bool force,
                           netbackend::Observation* seen) {
    snmp::Agent agent;
    if (!AgentOf(printer, agent))
        return netbackend::Refresh::Unreachable;
    DWORD now = ::GetTickCount();
    DWORD polledAt = printer.Dword(simstore::SnmpPolledAtValue, 0);
    bool reachable = printer.Dword(simstore::SnmpReachableValue, 0) != 0;
    if (!force && polledAt != 0 && now - polledAt < Interval(printer))
        return reachable ? netbackend::Refresh::Current : netbackend::Refresh::Unreachable;

    snmp::PrinterMib mib;
    bool ok = snmp::ReadPrinter(agent, mib) == snmp::ClientResult::Ok;
    // The interval counts from the end of the exchange, as for IPP.
    DWORD done = ::GetTickCount();
    printer.SetDword(simstore::SnmpPolledAtValue, done ? done : 1);
    printer.SetDword(simstore::SnmpReachableValue, ok ? 1 : 0);
    if (seen) {
        seen->asked = true;
        seen->answered = ok;
    }
    if (!ok)
        return netbackend::Refresh::Unreachable;

    std::string deviceId = snmp::MakeDeviceId(mib);
    if (printer.DeviceId() != deviceId)
        printer.SetDeviceId(deviceId);
    ipp::ReplyFields fields = snmp::MapPrinterMib(mib);
    std::string reply = ipp::FormatReply(fields);
    if (seen) {
        seen->fields = fields;
        seen->reply = reply;
        seen->reasons = snmp::ToSnapshot(mib).reasons;
        seen->asleep = snmp::IsAsleep(mib);
    }
    std::vector<BYTE> bytes(reply.begin(), reply.end());
    if (printer.Bytes(simstore::ReplyValue) != bytes)
        printer.SetBytes(simstore::ReplyValue, bytes);
    return netbackend::Refresh::Current;
}

} // namespace snmpbackend
