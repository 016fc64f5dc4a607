#include "support/ProcessValues.h"

// Constant-initialised, so they hold these values before any constructor runs,
// the application object's included.
int DebugLogEnabled = 0;
std::atomic<int> IdleInterval{10};

const char* const ProductKeyPath = "Software\\Vorne\\KVR7";
