#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "SnmpMessage.h"

// What a printer's Host Resources and Printer MIB say about its state and
// supplies, and how they are read with Get and GetNext requests. Pure: the
// exchange with the agent is passed in.
namespace snmp {

// hrPrinterDetectedErrorState: bit n of the string, counted from the most
// significant bit of its first byte.
enum class ErrorBit {
    LowPaper = 0,
    NoPaper,
    LowToner,
    NoToner,
    DoorOpen,
    Jammed,
    Offline,
    ServiceRequested,
    InputTrayMissing,
    OutputTrayMissing,
    MarkerSupplyMissing,
    OutputNearFull,
    OutputFull,
    InputTrayEmpty,
    OverdueMaintenance,
};

// prtMarkerSuppliesClass and the types that matter here.
enum : int {
    kClassOther = 1,
    kClassConsumed = 3,
    kClassReceptacle = 4,
    kTypeToner = 3,
    kTypeWasteToner = 4,
    kTypeInk = 5,
    kTypeInkCartridge = 6,
    kTypeInkRibbon = 7,
    kTypeWasteInk = 8,
    kTypeWasteWater = 15,
    kTypeTonerCartridge = 21,
};

// hrDeviceStatus and hrPrinterStatus values.
enum : int {
    kDeviceRunning = 2,
    kDeviceWarning = 3,
    kDeviceDown = 5,
    kPrinterOther = 1,
    kPrinterIdle = 3,
    kPrinterPrinting = 4,
    kPrinterWarmup = 5,
};

// prtAlertGroup of the marker supplies table.
constexpr int kAlertGroupSupplies = 11;

struct Supply {
    uint32_t index = 0;
    int colorantIndex = 0;
    int supplyClass = 0;
    int type = 0;
    std::string description;
    long long maxCapacity = -2; // -1 other, -2 unknown
    long long level = -2;       // -1 other, -2 unknown, -3 some remaining
    std::string colorant;       // prtMarkerColorantValue of colorantIndex, e.g. "cyan"

    // A receptacle that fills (waste ink or toner), by class or by type.
    bool IsReceptacle() const;
    // Ink or toner that is used up: what the monitor shows in its ink slots.
    bool IsColorant() const;
};

struct Alert {
    int severity = 0; // 1 other, 3 critical, 4 warning, 5 warningBinaryChangeEvent
    int group = 0;    // prtAlertGroup, 11 = a marker supply
    int groupIndex = 0;
    int code = 0; // prtAlertCode
    std::string description;
};

struct PrinterMib {
    uint32_t deviceIndex = 0;
    int deviceStatus = 0;  // hrDeviceStatus; 0 = not reported
    int printerStatus = 0; // hrPrinterStatus; 0 = not reported
    uint32_t errorBits = 0;
    std::string description; // hrDeviceDescr
    std::vector<Supply> supplies;
    std::vector<Alert> alerts;

    bool Has(ErrorBit bit) const { return (errorBits >> static_cast<int>(bit)) & 1u; }
};

// The bit string as the agent sends it -> errorBits (first 32 bits).
uint32_t ErrorBitsFromString(const std::string& bytes);

struct Response {
    int errorStatus = 0;
    int errorIndex = 0;
    std::vector<VarBind> varbinds;
};

// Sends one request (kPduGet or kPduGetNext for `names`) and gives the
// matching response; false when none came (timeouts, retries and anything
// malformed or unrelated are the exchange's business).
using Exchange = std::function<bool(uint8_t pdu, const std::vector<Oid>& names, Response& out)>;

enum class ReadResult { Ok, NoAnswer, NotAPrinter };

// Tables are read up to this many rows each.
constexpr std::size_t kMaxRows = 32;

ReadResult ReadPrinterMib(const Exchange& exchange, PrinterMib& out);

// Names used by the reader (and by tests and the agent script).
namespace oids {
const Oid& HrDeviceDescr();
const Oid& HrDeviceStatus();
const Oid& HrPrinterStatus();
const Oid& HrPrinterDetectedErrorState();
const Oid& SuppliesEntry();
const Oid& ColorantEntry();
const Oid& AlertEntry();
} // namespace oids

} // namespace snmp
