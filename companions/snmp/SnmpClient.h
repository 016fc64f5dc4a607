#pragma once
#include <cstdint>
#include <string>

#include "PrinterMib.h"

// Reads a printer's MIB over UDP with Winsock. Each request waits at most
// timeoutMs for its answer and is sent again at most `retries` times; answers
// that are malformed, for another request id or community, or not responses
// are dropped while the wait goes on. Windows only.
namespace snmp {

struct Agent {
    std::string host;
    uint16_t port = 161;
    std::string community = "public";
    int version = kVersion2c;
    unsigned timeoutMs = 3000;
    unsigned retries = 1;
};

// "HOST" or "HOST:PORT" (port 1..65535); false when it is neither.
bool ParseAgentAddress(const std::string& text, std::string& host, uint16_t& port);

enum class ClientResult { Ok, NoAnswer, NotAPrinter, BadAddress };

struct ClientStats {
    unsigned requests = 0; // datagrams sent, resends included
    unsigned dropped = 0;  // datagrams received and not taken as an answer
};

ClientResult ReadPrinter(const Agent& agent, PrinterMib& out, ClientStats* stats = nullptr);

const char* ClientResultText(ClientResult result);

} // namespace snmp
