#pragma once
#include <string>

#include "framework/CWinApp.h"

// The library's application object; constructing it (at load) sets the
// process-wide values below and reads the debug switch once.
class StatusLibraryApp : public CWinApp {
public:
    StatusLibraryApp();
    BOOL InitInstance() override;
};

// Process-wide values, unguarded by design (written at load, by the monitor
// launch and by the language choice only).
extern std::string CommonKeyPath;   // common key of the printer of the running window
extern int DebugLogEnabled;         // "log" under the product key, read once at load
extern std::string LanguageSection; // cached language section of the settings file
extern int IdleInterval;            // seconds between status polls while idle

// Where the product keeps its settings (HKEY_LOCAL_MACHINE).
extern const char* const ProductKeyPath;
