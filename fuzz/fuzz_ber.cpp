#include <cstddef>
#include <cstdint>

#include "PrinterMib.h"
#include "SnmpMessage.h"
#include "SnmpStatusMap.h"

// The decoder on any bytes; what decodes must encode and decode back alike,
// and a printer MIB read from such answers must map without harm.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    snmp::Message message;
    if (snmp::Decode(data, size, message) != snmp::DecodeResult::Ok)
        return 0;
    std::string again = snmp::Encode(message);
    snmp::Message second;
    if (snmp::Decode(reinterpret_cast<const uint8_t*>(again.data()), again.size(), second) !=
        snmp::DecodeResult::Ok)
        __builtin_trap();
    if (second.varbinds.size() != message.varbinds.size() ||
        second.requestId != message.requestId || second.community != message.community)
        __builtin_trap();
    // The same answer to every request of a printer MIB read.
    int calls = 0;
    snmp::Exchange exchange = [&](uint8_t, const std::vector<snmp::Oid>&, snmp::Response& out) {
        if (++calls > 400)
            __builtin_trap(); // the reader must end by itself
        out.errorStatus = message.errorStatus;
        out.errorIndex = message.errorIndex;
        out.varbinds = message.varbinds;
        return true;
    };
    snmp::PrinterMib mib;
    if (snmp::ReadPrinterMib(exchange, mib) == snmp::ReadResult::Ok)
        (void)ipp::FormatReply(snmp::MapPrinterMib(mib));
    return 0;
}
