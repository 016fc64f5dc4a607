#include "SnmpStatusMap.h"

#include <algorithm>
#include <iterator>

#include "companions/klapi/SupplyRules.h"

namespace snmp {

namespace {

enum class Source {
    ErrorBit,      // hrPrinterDetectedErrorState bit `value`
    Alert,         // a prtAlertTable row with prtAlertCode `value`
    SupplyAlert,   // the same, for a marker supply (prtAlertGroup 11)
    DeviceStatus,  // hrDeviceStatus == value, when no other row names an error
    PrinterStatus, // hrPrinterStatus == value
};

// One row per SNMP condition: where it is read, and the reason keyword of the
// IPP table that gives the same reply. The IPP table's order decides which of
// several conditions is shown; warnings add up.
//   condition -> reason -> status the library then shows
struct Row {
    const char* condition;
    Source source;
    int value;
    const char* reason;
};

const Row kRows[] = {
    {"doorOpen", Source::ErrorBit, static_cast<int>(ErrorBit::DoorOpen), "door-open"}, // 32
    {"coverOpen alert", Source::Alert, 3, "cover-open"},                               // 32
    {"interlockOpen alert", Source::Alert, 5, "interlock-open"},                       // 32
    {"doorOpen alert", Source::Alert, 501, "door-open"},                               // 32
    {"jammed", Source::ErrorBit, static_cast<int>(ErrorBit::Jammed), "media-jam"},     // 30
    {"jam alert", Source::Alert, 8, "media-jam"},                                      // 30
    {"noPaper", Source::ErrorBit, static_cast<int>(ErrorBit::NoPaper), "media-empty"}, // 5
    {"inputTrayEmpty", Source::ErrorBit, static_cast<int>(ErrorBit::InputTrayEmpty),
     "media-empty"},                                                    // 5
    {"inputMediaSupplyEmpty alert", Source::Alert, 808, "media-empty"}, // 5
    // Without its tray the printer cannot feed paper: the paper error.
    {"inputTrayMissing", Source::ErrorBit, static_cast<int>(ErrorBit::InputTrayMissing),
     "media-needed"},                                                    // 5
    {"inputMediaTrayMissing alert", Source::Alert, 801, "media-needed"}, // 5
    {"noToner", Source::ErrorBit, static_cast<int>(ErrorBit::NoToner),
     "marker-supply-empty"},                                                         // 2/3/4
    {"markerTonerEmpty alert", Source::Alert, 1101, "marker-supply-empty"},          // 2/3/4
    {"markerInkEmpty alert", Source::Alert, 1102, "marker-supply-empty"},            // 2/3/4
    {"subunitEmpty alert (supply)", Source::SupplyAlert, 13, "marker-supply-empty"}, // 2/3/4
    {"markerSupplyMissing", Source::ErrorBit, static_cast<int>(ErrorBit::MarkerSupplyMissing),
     "marker-supply-missing"},                                                           // 27
    {"markerTonerCartridgeMissing alert", Source::Alert, 1115, "marker-supply-missing"}, // 27
    {"markerFuser alerts", Source::Alert, 1001, "fuser-failure"},                        // 14
    {"serviceRequested", Source::ErrorBit, static_cast<int>(ErrorBit::ServiceRequested),
     "other"}, // 9
    {"outputTrayMissing", Source::ErrorBit, static_cast<int>(ErrorBit::OutputTrayMissing),
     "other"},                                                                         // 9
    {"outputFull", Source::ErrorBit, static_cast<int>(ErrorBit::OutputFull), "other"}, // 9
    {"outputMediaTrayFull alert", Source::Alert, 903, "other"},                        // 9
    {"offline", Source::ErrorBit, static_cast<int>(ErrorBit::Offline), "offline"},     // 21
    {"subunitPowerSaver alert", Source::Alert, 23, "offline"},                         // 21
    {"subunitTurnedOff alert", Source::Alert, 21, "offline"},                          // 21
    {"poweredDown alert", Source::Alert, 504, "offline"},                              // 21
    {"device down", Source::DeviceStatus, kDeviceDown, "other"},                       // 9
    {"lowToner", Source::ErrorBit, static_cast<int>(ErrorBit::LowToner),
     "marker-supply-low"},                                                               // 12/13/20
    {"markerTonerAlmostEmpty alert", Source::Alert, 1104, "marker-supply-low"},          // 12/13/20
    {"markerInkAlmostEmpty alert", Source::Alert, 1105, "marker-supply-low"},            // 12/13/20
    {"subunitAlmostEmpty alert (supply)", Source::SupplyAlert, 12, "marker-supply-low"}, // 12/13/20
    // Waste receptacles: the alerts, and the supplies table's own reading.
    {"markerWasteTonerReceptacleAlmostFull alert", Source::Alert, 1107,
     "marker-waste-almost-full"}, // 33
    {"markerWasteInkReceptacleAlmostFull alert", Source::Alert, 1108,
     "marker-waste-almost-full"},                                                       // 33
    {"markerWasteTonerReceptacleFull alert", Source::Alert, 1109, "marker-waste-full"}, // 33
    {"markerWasteInkReceptacleFull alert", Source::Alert, 1110, "marker-waste-full"},   // 33
    // Not shown, the library has no such state: lowPaper, outputNearFull,
    // overdueMaintenance (the printer still prints).
};

// Alert codes of sleep and power-down (the "offline" rows above).
bool IsSleepAlert(int code) {
    return code == 23 || code == 21 || code == 504;
}

bool Holds(const PrinterMib& mib, const Row& row) {
    switch (row.source) {
    case Source::ErrorBit:
        return mib.Has(static_cast<ErrorBit>(row.value));
    case Source::Alert:
        // The fuser row stands for its four codes (under/over temperature, timing, thermistor).
        return std::any_of(mib.alerts.begin(), mib.alerts.end(), [&](const Alert& a) {
            return a.code == row.value || (row.value == 1001 && a.code >= 1001 && a.code <= 1004);
        });
    case Source::SupplyAlert:
        return std::any_of(mib.alerts.begin(), mib.alerts.end(), [&](const Alert& a) {
            return a.code == row.value && a.group == kAlertGroupSupplies;
        });
    case Source::DeviceStatus:
        return mib.deviceStatus == row.value;
    case Source::PrinterStatus:
        return mib.printerStatus == row.value;
    }
    return false;
}

void AddReason(ipp::PrinterSnapshot& s, const char* reason) {
    if (std::find(s.reasons.begin(), s.reasons.end(), reason) == s.reasons.end())
        s.reasons.push_back(reason);
}

// A supply that an alert names (by its supply index) with one of the codes.
bool SupplyAlerted(const PrinterMib& mib, uint32_t index, std::initializer_list<int> codes) {
    return std::any_of(mib.alerts.begin(), mib.alerts.end(), [&](const Alert& a) {
        return a.group == kAlertGroupSupplies && a.groupIndex == static_cast<int>(index) &&
               std::find(codes.begin(), codes.end(), a.code) != codes.end();
    });
}

std::string MarkerName(const Supply& s) {
    // The colorant's name ("cyan") places the ink best; the description is next.
    return s.colorant.empty() ? s.description : s.colorant + " " + s.description;
}

} // namespace

ipp::PrinterSnapshot ToSnapshot(const PrinterMib& mib) {
    ipp::PrinterSnapshot s;
    s.makeAndModel = mib.description;
    s.state = mib.printerStatus == kPrinterPrinting ? 4 : 3;
    for (const Row& row : kRows)
        if (row.source != Source::DeviceStatus && Holds(mib, row))
            AddReason(s, row.reason);
    // A device that is down without saying why is a printer error; with a
    // reason, the reason is what it is.
    bool named = std::any_of(s.reasons.begin(), s.reasons.end(), [](const std::string& r) {
        return r != "marker-supply-low" && r != "marker-waste-almost-full" &&
               r != "marker-waste-full";
    });
    for (const Row& row : kRows)
        if (row.source == Source::DeviceStatus && !named && Holds(mib, row))
            AddReason(s, row.reason);

    for (const Supply& supply : mib.supplies) {
        if (supply.IsReceptacle()) {
            switch (supply::WasteFromRemaining(supply.level, supply.maxCapacity)) {
            case supply::WasteState::NearFull:
                AddReason(s, "marker-waste-almost-full");
                break;
            case supply::WasteState::Full:
                AddReason(s, "marker-waste-full");
                break;
            default:
                break;
            }
            continue;
        }
        if (!supply.IsColorant())
            continue;
        ipp::Marker m;
        m.name = MarkerName(supply);
        m.type = supply.type == kTypeToner || supply.type == kTypeTonerCartridge ? "toner" : "ink";
        m.level = supply::Percent(supply.level, supply.maxCapacity);
        // An alert about this very supply names it; the level alone may lag.
        if (SupplyAlerted(mib, supply.index, {13, 1101, 1102}))
            m.level = 0;
        else if (m.level >= 0 && SupplyAlerted(mib, supply.index, {12, 1104, 1105}))
            m.lowLevel = m.level;
        s.markers.push_back(std::move(m));
    }
    return s;
}

ipp::ReplyFields MapPrinterMib(const PrinterMib& mib) {
    ipp::ReplyFields fields = ipp::MapSnapshot(ToSnapshot(mib));
    // Warming up is the library's "getting ready" while nothing else is wrong.
    constexpr int kStateReady = 0x04, kStatePrinting = 0x03, kStateGettingReady = 0x06;
    if (mib.printerStatus == kPrinterWarmup &&
        (fields.state == kStateReady || fields.state == kStatePrinting))
        fields.state = kStateGettingReady;
    return fields;
}

std::vector<std::pair<std::string, std::string>> ConditionTable() {
    std::vector<std::pair<std::string, std::string>> rows(std::size(kRows));
    std::transform(std::begin(kRows), std::end(kRows), rows.begin(), [](const Row& row) {
        return std::pair<std::string, std::string>(row.condition, row.reason);
    });
    return rows;
}

bool IsAsleep(const PrinterMib& mib) {
    return std::any_of(mib.alerts.begin(), mib.alerts.end(),
                       [](const Alert& a) { return IsSleepAlert(a.code); });
}

std::string MakeDeviceId(const PrinterMib& mib) {
    ipp::PrinterSnapshot s;
    s.makeAndModel = mib.description.empty() ? "Unknown SNMP printer" : mib.description;
    std::string id = ipp::MakeDeviceId(s);
    std::size_t cmd = id.find("CMD:IPP;");
    if (cmd != std::string::npos)
        id.replace(cmd, 8, "CMD:SNMP;");
    return id;
}

} // namespace snmp
