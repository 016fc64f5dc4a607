#pragma once
#include <windows.h>
#include <string>
#include <vector>

#include "V_PQIF07.h"
#include "status/StatusReply.h"

// What `pqif status` found out, printed as words or as JSON.
struct StatusReport {
    std::string printer;
    std::string port;
    std::string model;
    std::vector<PQIF_CHANNEL_ENTRY> channels;
    LONG channelKind = 0;
    LONG call = 0; // PrGetStatusB's own result
    LONG resultCode = 0;
    LONG printerState = 0;
    LONG activity = 0;
    LONG notify = 0;
    LONG sound = 0;
    int item = -1;         // -1: not known
    bool hasKey = false;   // the printer has a key, so the reply was recorded
    bool hasReply = false; // the recorded reply decoded
    PrinterStatus reply{};
    std::uint32_t indicators = 0;
    // A network printer that stopped answering: when it last answered, and what.
    bool hasLastKnown = false;
    std::string lastAnswer;
    std::string lastAnswerAge;
    std::string lastKnownLevels;
    PrinterStatus lastKnown{};
};

const char* ResultName(LONG resultCode);
std::string FormatText(const StatusReport& report);
// error: why pqif fails after all (with its exit code), or "".
std::string FormatJson(const StatusReport& report, const std::string& error = "", int exitCode = 0);
std::string Hex(unsigned long value, int digits);
