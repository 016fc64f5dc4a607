#pragma once
#include <map>
#include <string>

#include "PrinterMib.h"

// An agent in memory: a sorted MIB answering Get and GetNext as a v1 or v2c
// agent would, for tests of the reader and the map.
namespace snmptest {

class FakeAgent {
public:
    explicit FakeAgent(int version = snmp::kVersion2c) : version_(version) {}

    void Set(const snmp::Oid& name, snmp::Value value) { mib_[name] = std::move(value); }
    void SetInteger(const snmp::Oid& name, long long v) {
        snmp::Value value;
        value.tag = snmp::kTagInteger;
        value.integer = v;
        Set(name, value);
    }
    void SetText(const snmp::Oid& name, const std::string& text) {
        snmp::Value value;
        value.tag = snmp::kTagOctetString;
        value.bytes = text;
        Set(name, value);
    }

    // A printer at device index 1 with the given status and error bits.
    void Printer(int deviceStatus, int printerStatus, const std::string& errorBits,
                 const std::string& description = "Vorne Kestrel K7") {
        SetInteger(snmp::Append(snmp::oids::HrDeviceStatus(), {1}), deviceStatus);
        SetText(snmp::Append(snmp::oids::HrDeviceDescr(), {1}), description);
        SetInteger(snmp::Append(snmp::oids::HrPrinterStatus(), {1}), printerStatus);
        SetText(snmp::Append(snmp::oids::HrPrinterDetectedErrorState(), {1}), errorBits);
    }
    void Supply(uint32_t index, int colorant, int supplyClass, int type, const std::string& text,
                long long max, long long level) {
        const snmp::Oid& e = snmp::oids::SuppliesEntry();
        SetInteger(snmp::Append(e, {3, 1, index}), colorant);
        SetInteger(snmp::Append(e, {4, 1, index}), supplyClass);
        SetInteger(snmp::Append(e, {5, 1, index}), type);
        SetText(snmp::Append(e, {6, 1, index}), text);
        SetInteger(snmp::Append(e, {8, 1, index}), max);
        SetInteger(snmp::Append(e, {9, 1, index}), level);
    }
    void Colorant(uint32_t index, const std::string& name) {
        SetText(snmp::Append(snmp::oids::ColorantEntry(), {4, 1, index}), name);
    }
    void Alert(uint32_t index, int severity, int group, int groupIndex, int code) {
        const snmp::Oid& e = snmp::oids::AlertEntry();
        SetInteger(snmp::Append(e, {2, 1, index}), severity);
        SetInteger(snmp::Append(e, {4, 1, index}), group);
        SetInteger(snmp::Append(e, {5, 1, index}), groupIndex);
        SetInteger(snmp::Append(e, {7, 1, index}), code);
        SetText(snmp::Append(e, {8, 1, index}), "alert");
    }
    // Six inks at the given percentages of a 200-unit capacity (negative: that
    // reading as it is): black, cyan, magenta, yellow, light cyan, light magenta.
    void SixInks(std::initializer_list<int> percents) {
        const char* names[] = {"black", "cyan", "magenta", "yellow", "light cyan", "light magenta"};
        uint32_t i = 1;
        for (int p : percents) {
            Colorant(i, names[i - 1]);
            Supply(i, static_cast<int>(i), snmp::kClassConsumed, snmp::kTypeInkCartridge,
                   "Ink Cartridge", 200, p < 0 ? p : p * 2);
            ++i;
        }
    }

    snmp::Exchange AsExchange() {
        return [this](uint8_t pdu, const std::vector<snmp::Oid>& names, snmp::Response& out) {
            ++requests;
            out = snmp::Response{};
            for (std::size_t i = 0; i < names.size(); ++i) {
                snmp::VarBind vb;
                auto found =
                    pdu == snmp::kPduGet ? mib_.find(names[i]) : mib_.upper_bound(names[i]);
                if (found == mib_.end()) {
                    if (version_ == snmp::kVersion1) {
                        out.errorStatus = snmp::kErrorNoSuchName;
                        out.errorIndex = static_cast<int>(i + 1);
                        out.varbinds.clear();
                        return true;
                    }
                    vb.name = names[i];
                    vb.value.tag =
                        pdu == snmp::kPduGet ? snmp::kTagNoSuchObject : snmp::kTagEndOfMibView;
                } else {
                    vb.name = found->first;
                    vb.value = found->second;
                }
                out.varbinds.push_back(vb);
            }
            return true;
        };
    }

    int requests = 0;

private:
    int version_;
    std::map<snmp::Oid, snmp::Value> mib_;
};

} // namespace snmptest
