#include "jobs/PmNames.h"

#include <cstring>

const char PmPipeEndpoint[] = "\\pipe\\VORNE_PM_RPC_02";

namespace {
bool Empty(const char* text) {
    return !text || !*text;
}
} // namespace

bool PmServerOfPrinter(const char* printerName, std::string* server) {
    if (!printerName || printerName[0] != '\\' || printerName[1] != '\\')
        return false;
    const char* name = printerName + 2;
    const char* separator = std::strchr(name, '\\');
    if (!separator || separator == name)
        return false;
    if (server)
        server->assign(name, separator);
    return true;
}

const char* PmRemotePrinterName(const char* printerName) noexcept {
    if (!printerName)
        return "";
    if (printerName[0] != '\\' || printerName[1] != '\\')
        return printerName;
    const char* separator = std::strchr(printerName + 2, '\\');
    return separator ? separator + 1 : printerName;
}

PmBindingParts PmResolveBinding(const char* networkAddress, const char* protocolSequence,
                                const char* endpoint, const char* localComputerName) {
    PmBindingParts parts;
    if (!Empty(networkAddress) && networkAddress[0] != '.')
        parts.networkAddress = networkAddress;
    if (!Empty(protocolSequence))
        parts.protocolSequence = protocolSequence;
    if (!Empty(endpoint))
        parts.endpoint = endpoint;

    if (parts.networkAddress.empty() ||
        (localComputerName && parts.networkAddress == localComputerName)) {
        parts.networkAddress.clear();
        parts.endpoint.clear();
        parts.protocolSequence = "ncalrpc";
        return parts;
    }
    if (parts.protocolSequence.empty())
        parts.protocolSequence = "ncacn_np";
    if (parts.endpoint.empty() && parts.protocolSequence == "ncacn_np")
        parts.endpoint = PmPipeEndpoint;
    return parts;
}
