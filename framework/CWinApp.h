#pragma once
#include <windows.h>

#include "framework/CObject.h"

// The application object of a module built on this framework: one static
// instance per module, constructed when the module loads. InitInstance runs
// once the loader has attached the module.
class CWinApp : public CObject {
public:
    explicit CWinApp(const char* appName = nullptr);
    ~CWinApp() override;

    virtual BOOL InitInstance();

    const char* m_pszAppName;
    HINSTANCE m_hInstance;
};

// The module's one application object, or null before it is constructed.
CWinApp* AfxGetApp();
// The module this code is linked into (the DLL, or a test program).
HINSTANCE AfxGetInstanceHandle();
