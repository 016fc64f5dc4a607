#pragma once
#include <string>
#include <vector>

// `pqif popup|detail|progress`: opens the library's monitor window for a printer
// through PrStartKVR_S, PrStartKVR_D or PrStartKVR_PM and reports the result.
struct MonitorOptions {
    std::string view; // "popup", "detail" or "progress"
    std::vector<std::string> positional;
    std::string port;
    std::string model;
    std::string settingsFile;
    std::string resourceLibrary;
    bool hasPort = false;
    bool hasJob = false;
    long job = 0;
    std::vector<std::string> documents; // --print, progress only
    bool help = false;
};

bool IsMonitorCommand(const std::string& command);

// Reads argv[2] onwards; returns the problem, or "" when the options are usable.
std::string ParseMonitorOptions(int argc, char** argv, MonitorOptions* options);

// Exit status: 0 the window ran, 1 it could not be launched.
int RunMonitorCommand(const MonitorOptions& options);
