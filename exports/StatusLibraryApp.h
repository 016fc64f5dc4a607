#pragma once
#include "framework/CWinApp.h"
#include "support/ProcessValues.h"
#include "support/WindowValues.h"

// The library's application object; constructing it (at load) sets the
// process-wide values (support/ProcessValues.h) and reads the debug switch once.
class StatusLibraryApp : public CWinApp {
public:
    StatusLibraryApp();
    BOOL InitInstance() override;
};
