#include "companions/klapi/IppBackend.h"

#include <algorithm>
#include <string>
#include <vector>

#include "IppClient.h"
#include "IppStatusMap.h"
#include "PrinterSnapshot.h"

namespace ippbackend {

namespace {

DWORD Bounded(DWORD value, DWORD low, DWORD high) {
    return std::clamp(value, low, high);
}

DWORD Timeout(const simstore::SimPrinter& printer) {
    return Bounded(printer.Dword(simstore::IppTimeoutValue, 3000), 200, 10000);
}

ipp::Message AttributesRequest(const std::string& uri) {
    ipp::Message request = ipp::MakeRequest(ipp::kOpGetPrinterAttributes, 1, uri);
    ipp::Attribute wanted{"requested-attributes", {}};
    for (const char* name :
         {"printer-state", "printer-state-reasons", "printer-make-and-model", "marker-names",
          "marker-colors", "marker-levels", "marker-low-levels", "marker-types", "printer-supply",
          "printer-supply-description", "queued-job-count"})
        ipp::AddValue(wanted, ipp::kTagKeyword, name);
    request.groups[0].attributes.push_back(wanted);
    return request;
}

} // namespace

bool IsIpp(const simstore::SimPrinter& printer) {
    return !printer.String(simstore::IppUriValue).empty();
}

DWORD Interval(const simstore::SimPrinter& printer) {
    return Bounded(printer.Dword(simstore::IppIntervalValue, 2000), 500, 60000);
}

Refresh Update(simstore::SimPrinter& printer, bool force, netbackend::Observation* seen) {
    std::string uri = printer.String(simstore::IppUriValue);
    if (uri.empty())
        return Refresh::Unreachable;
    DWORD now = ::GetTickCount();
    DWORD polledAt = printer.Dword(simstore::IppPolledAtValue, 0);
    bool reachable = printer.Dword(simstore::IppReachableValue, 0) != 0;
    if (!force && polledAt != 0 && now - polledAt < Interval(printer))
        return reachable ? Refresh::Current : Refresh::Unreachable;

    ipp::Message response;
    ipp::PrinterSnapshot snapshot;
    bool ok = false;
    // A printer that is busy may say so instead of answering; ask once more.
    for (int attempt = 0; attempt < 2 && !ok; ++attempt) {
        if (ipp::Exchange(uri, AttributesRequest(uri), response, Timeout(printer)) !=
            ipp::ExchangeResult::Ok)
            break;
        ok = ipp::ReadPrinterSnapshot(response, snapshot);
        if (!ok && response.code != ipp::kStatusBusy)
            break;
        if (!ok)
            ::Sleep(100);
    }
    // The interval counts from the end of the exchange: a printer that took the
    // whole timeout to fail is not asked again at once.
    DWORD done = ::GetTickCount();
    printer.SetDword(simstore::IppPolledAtValue, done ? done : 1);
    printer.SetDword(simstore::IppReachableValue, ok ? 1 : 0);
    if (seen) {
        seen->asked = true;
        seen->answered = ok;
    }
    if (!ok)
        return Refresh::Unreachable;

    std::string deviceId = ipp::MakeDeviceId(snapshot);
    if (printer.DeviceId() != deviceId)
        printer.SetDeviceId(deviceId);
    ipp::ReplyFields fields = ipp::MapSnapshot(snapshot);
    std::string reply = ipp::FormatReply(fields);
    if (seen) {
        seen->fields = fields;
        seen->reply = reply;
        seen->reasons = snapshot.reasons;
    }
    std::vector<BYTE> bytes(reply.begin(), reply.end());
    if (printer.Bytes(simstore::ReplyValue) != bytes)
        printer.SetBytes(simstore::ReplyValue, bytes);
    return Refresh::Current;
}

} // namespace ippbackend
