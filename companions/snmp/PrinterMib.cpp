#include "PrinterMib.h"

#include <algorithm>
#include <map>

namespace snmp {

namespace oids {

namespace {
Oid Make(std::initializer_list<uint32_t> parts) {
    return Oid(parts);
}
} // namespace

const Oid& HrDeviceDescr() {
    static const Oid oid = Make({1, 3, 6, 1, 2, 1, 25, 3, 2, 1, 3});
    return oid;
}
const Oid& HrDeviceStatus() {
    static const Oid oid = Make({1, 3, 6, 1, 2, 1, 25, 3, 2, 1, 5});
    return oid;
}
const Oid& HrPrinterStatus() {
    static const Oid oid = Make({1, 3, 6, 1, 2, 1, 25, 3, 5, 1, 1});
    return oid;
}
const Oid& HrPrinterDetectedErrorState() {
    static const Oid oid = Make({1, 3, 6, 1, 2, 1, 25, 3, 5, 1, 2});
    return oid;
}
const Oid& SuppliesEntry() {
    static const Oid oid = Make({1, 3, 6, 1, 2, 1, 43, 11, 1, 1});
    return oid;
}
const Oid& ColorantEntry() {
    static const Oid oid = Make({1, 3, 6, 1, 2, 1, 43, 12, 1, 1});
    return oid;
}
const Oid& AlertEntry() {
    static const Oid oid = Make({1, 3, 6, 1, 2, 1, 43, 18, 1, 1});
    return oid;
}

} // namespace oids

namespace {

// Columns read from each table.
enum : uint32_t {
    kSupplyColorantIndex = 3,
    kSupplyClass = 4,
    kSupplyType = 5,
    kSupplyDescription = 6,
    kSupplyMaxCapacity = 8,
    kSupplyLevel = 9,
    kColorantValue = 4,
    kAlertSeverity = 2,
    kAlertGroup = 4,
    kAlertGroupIndex = 5,
    kAlertCode = 7,
    kAlertDescription = 8,
};

// Row index -> column -> value.
using Rows = std::map<uint32_t, std::map<uint32_t, Value>>;

bool Precedes(const Oid& a, const Oid& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end());
}

// Walks the given columns of one table side by side with GetNext, for the rows
// of one device (entry.column.device.row). A column ends when the agent
// answers with a name outside it, with an exception, or with a name that does
// not move forward; the walk ends after kMaxRows rows. False when the agent
// stopped answering.
bool WalkColumns(const Exchange& exchange, const Oid& entry, const std::vector<uint32_t>& columns,
                 uint32_t device, Rows& rows) {
    std::vector<Oid> cursor(columns.size());
    std::vector<bool> done(columns.size(), false);
    std::transform(columns.begin(), columns.end(), cursor.begin(), [&](uint32_t column) {
        return Append(entry, {column, device});
    });
    for (std::size_t step = 0; step < kMaxRows + columns.size() + 1; ++step) {
        std::vector<Oid> names;
        std::vector<std::size_t> which;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            if (!done[i]) {
                names.push_back(cursor[i]);
                which.push_back(i);
            }
        }
        if (names.empty() || rows.size() > kMaxRows)
            break;
        Response response;
        if (!exchange(kPduGetNext, names, response))
            return false;
        if (response.errorStatus == kErrorNoSuchName) {
            // v1's end of the MIB: the named column is finished; ask again without it.
            std::size_t at = static_cast<std::size_t>(response.errorIndex);
            if (at < 1 || at > which.size())
                break;
            done[which[at - 1]] = true;
            continue;
        }
        if (response.errorStatus != kErrorNone || response.varbinds.size() != names.size())
            break;
        for (std::size_t k = 0; k < names.size(); ++k) {
            std::size_t i = which[k];
            const VarBind& vb = response.varbinds[k];
            Oid prefix = Append(entry, {columns[i], device});
            if (vb.value.IsException() || vb.name.size() != prefix.size() + 1 ||
                !StartsWith(vb.name, prefix) || !Precedes(cursor[i], vb.name)) {
                done[i] = true;
                continue;
            }
            rows[vb.name.back()][columns[i]] = vb.value;
            cursor[i] = vb.name;
        }
    }
    while (rows.size() > kMaxRows)
        rows.erase(std::prev(rows.end()));
    return true;
}

long long Integer(const std::map<uint32_t, Value>& row, uint32_t column, long long fallback) {
    auto found = row.find(column);
    return found != row.end() && found->second.IsInteger() ? found->second.integer : fallback;
}

int SmallInteger(const std::map<uint32_t, Value>& row, uint32_t column) {
    long long v = Integer(row, column, 0);
    return v < -0x7FFFFFFF || v > 0x7FFFFFFF ? 0 : static_cast<int>(v);
}

std::string Text(const std::map<uint32_t, Value>& row, uint32_t column) {
    auto found = row.find(column);
    if (found == row.end() || found->second.tag != kTagOctetString)
        return {};
    // Shown on one line in a device ID and a journal: printable bytes only.
    std::string out;
    for (char c : found->second.bytes.substr(0, 255)) {
        auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u != 0x7F)
            out.push_back(c);
    }
    return out;
}

// The printer's row in the Host Resources printer table: the first one.
ReadResult ReadPrinterRow(const Exchange& exchange, PrinterMib& out) {
    Response r;
    if (!exchange(kPduGetNext, {oids::HrPrinterStatus(), oids::HrPrinterDetectedErrorState()}, r))
        return ReadResult::NoAnswer;
    if (r.errorStatus != kErrorNone || r.varbinds.size() != 2)
        return ReadResult::NotAPrinter;
    const VarBind& status = r.varbinds[0];
    const Oid& column = oids::HrPrinterStatus();
    if (status.value.IsException() || !status.value.IsInteger() ||
        status.name.size() != column.size() + 1 || !StartsWith(status.name, column))
        return ReadResult::NotAPrinter;
    out.deviceIndex = status.name.back();
    out.printerStatus = static_cast<int>(std::clamp<int64_t>(status.value.integer, 0, 255));
    const VarBind& errors = r.varbinds[1];
    if (errors.name == Append(oids::HrPrinterDetectedErrorState(), {out.deviceIndex}) &&
        errors.value.tag == kTagOctetString)
        out.errorBits = ErrorBitsFromString(errors.value.bytes);
    return ReadResult::Ok;
}

bool ReadDevice(const Exchange& exchange, PrinterMib& out) {
    Response r;
    std::vector<Oid> names = {Append(oids::HrDeviceStatus(), {out.deviceIndex}),
                              Append(oids::HrDeviceDescr(), {out.deviceIndex})};
    if (!exchange(kPduGet, names, r))
        return false;
    // An agent without the device table answers with an error: nothing to add.
    if (r.errorStatus != kErrorNone || r.varbinds.size() != 2)
        return true;
    if (r.varbinds[0].value.IsInteger())
        out.deviceStatus =
            static_cast<int>(std::clamp<int64_t>(r.varbinds[0].value.integer, 0, 255));
    std::map<uint32_t, Value> row{{0, r.varbinds[1].value}};
    out.description = Text(row, 0);
    return true;
}

} // namespace

bool Supply::IsReceptacle() const {
    return supplyClass == kClassReceptacle || type == kTypeWasteToner || type == kTypeWasteInk ||
           type == kTypeWasteWater;
}

bool Supply::IsColorant() const {
    if (IsReceptacle())
        return false;
    return type == kTypeToner || type == kTypeInk || type == kTypeInkCartridge ||
           type == kTypeInkRibbon || type == kTypeTonerCartridge;
}

uint32_t ErrorBitsFromString(const std::string& bytes) {
    uint32_t bits = 0;
    for (std::size_t i = 0; i < bytes.size() && i < 4; ++i) {
        auto b = static_cast<uint8_t>(bytes[i]);
        for (int j = 0; j < 8; ++j)
            if (b & (0x80 >> j))
                bits |= 1u << (i * 8 + static_cast<std::size_t>(j));
    }
    return bits;
}

namespace {

ReadResult ReadOnce(const Exchange& exchange, PrinterMib& out) {
    out = PrinterMib{};
    ReadResult rc = ReadPrinterRow(exchange, out);
    if (rc != ReadResult::Ok)
        return rc;
    if (!ReadDevice(exchange, out))
        return ReadResult::NoAnswer;

    Rows supplies;
    if (!WalkColumns(exchange, oids::SuppliesEntry(),
                     {kSupplyColorantIndex, kSupplyClass, kSupplyType, kSupplyDescription,
                      kSupplyMaxCapacity, kSupplyLevel},
                     out.deviceIndex, supplies))
        return ReadResult::NoAnswer;
    Rows colorants;
    if (!WalkColumns(exchange, oids::ColorantEntry(), {kColorantValue}, out.deviceIndex, colorants))
        return ReadResult::NoAnswer;
    Rows alerts;
    if (!WalkColumns(exchange, oids::AlertEntry(),
                     {kAlertSeverity, kAlertGroup, kAlertGroupIndex, kAlertCode, kAlertDescription},
                     out.deviceIndex, alerts))
        return ReadResult::NoAnswer;

    for (const auto& [index, row] : supplies) {
        Supply s;
        s.index = index;
        s.colorantIndex = SmallInteger(row, kSupplyColorantIndex);
        s.supplyClass = SmallInteger(row, kSupplyClass);
        s.type = SmallInteger(row, kSupplyType);
        s.description = Text(row, kSupplyDescription);
        s.maxCapacity = Integer(row, kSupplyMaxCapacity, -2);
        s.level = Integer(row, kSupplyLevel, -2);
        auto colorant = colorants.find(static_cast<uint32_t>(s.colorantIndex));
        if (s.colorantIndex > 0 && colorant != colorants.end())
            s.colorant = Text(colorant->second, kColorantValue);
        out.supplies.push_back(std::move(s));
    }
    for (const auto& entry : alerts) {
        const auto& row = entry.second;
        Alert a;
        a.severity = SmallInteger(row, kAlertSeverity);
        a.group = SmallInteger(row, kAlertGroup);
        a.groupIndex = SmallInteger(row, kAlertGroupIndex);
        a.code = SmallInteger(row, kAlertCode);
        a.description = Text(row, kAlertDescription);
        out.alerts.push_back(std::move(a));
    }
    return ReadResult::Ok;
}

// Asks for the printer's state once more after the walk: false when the agent
// did not answer; *same tells whether it still says what the walk began with.
bool StateUnchanged(const Exchange& exchange, const PrinterMib& read, bool* same) {
    std::vector<Oid> names = {Append(oids::HrPrinterStatus(), {read.deviceIndex}),
                              Append(oids::HrPrinterDetectedErrorState(), {read.deviceIndex})};
    if (read.deviceStatus != 0)
        names.push_back(Append(oids::HrDeviceStatus(), {read.deviceIndex}));
    Response r;
    if (!exchange(kPduGet, names, r))
        return false;
    *same = r.errorStatus == kErrorNone && r.varbinds.size() == names.size() &&
            r.varbinds[0].value.IsInteger() && r.varbinds[0].value.integer == read.printerStatus &&
            r.varbinds[1].value.tag == kTagOctetString &&
            ErrorBitsFromString(r.varbinds[1].value.bytes) == read.errorBits &&
            (names.size() == 2 ||
             (r.varbinds[2].value.IsInteger() && r.varbinds[2].value.integer == read.deviceStatus));
    return true;
}

} // namespace

ReadResult ReadPrinterMib(const Exchange& exchange, PrinterMib& out) {
    // A change while the tables are walked can mix old and new values (the
    // device down from the new state, the reason still from the old one): a
    // read whose state moved meanwhile is read again, once.
    ReadResult rc = ReadResult::NoAnswer;
    for (int attempt = 0; attempt < 2; ++attempt) {
        rc = ReadOnce(exchange, out);
        bool same = false;
        if (rc != ReadResult::Ok)
            return rc;
        if (!StateUnchanged(exchange, out, &same))
            return ReadResult::NoAnswer;
        if (same)
            break;
    }
    return rc;
}

} // namespace snmp
