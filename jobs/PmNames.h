#pragma once
#include <string>

// Name rules of the print-manager connection: which printers are reached on a
// print server, what the server is sent, and how a binding is composed.

// Endpoint of the print-manager service's named pipe.
extern const char PmPipeEndpoint[]; // "\pipe\VORNE_PM_RPC_02"

// For "\\server\queue" with a non-empty server part: true and the server.
bool PmServerOfPrinter(const char* printerName, std::string* server);

// The printer name as the remote print manager receives it: for a name that
// starts with two backslashes, the part after the backslash that follows the
// server; any other name (and null, as an empty name) unchanged.
const char* PmRemotePrinterName(const char* printerName) noexcept;

// What a binding is made of once the address rules have been applied.
struct PmBindingParts {
    std::string protocolSequence;
    std::string networkAddress;
    std::string endpoint;
};

// Address "." (or any that starts with a dot) counts as none; no address, or
// one equal to the local computer name (exact case), gives "ncalrpc" with no
// address and no endpoint; otherwise the protocol sequence defaults to
// "ncacn_np" and the named pipe's endpoint to PmPipeEndpoint.
PmBindingParts PmResolveBinding(const char* networkAddress, const char* protocolSequence,
                                const char* endpoint, const char* localComputerName);
