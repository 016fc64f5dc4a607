#pragma once
#include <atomic>

// Process-wide values beside CommonKeyPath and LanguageSection
// (support/WindowValues.h): written at load and by the monitor launch.
extern int DebugLogEnabled;           // "log" under the product key, read once at load
extern std::atomic<int> IdleInterval; // seconds between status polls while idle

// Where the product keeps its settings (HKEY_LOCAL_MACHINE).
extern const char* const ProductKeyPath;
