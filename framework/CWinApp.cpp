#include "framework/CWinApp.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {
CWinApp* g_app = nullptr;
}

CWinApp::CWinApp(const char* appName)
    : m_pszAppName(appName), m_hInstance(reinterpret_cast<HINSTANCE>(&__ImageBase)) {
    g_app = this;
}

CWinApp::~CWinApp() {
    if (g_app == this)
        g_app = nullptr;
}

BOOL CWinApp::InitInstance() {
    return TRUE;
}

CWinApp* AfxGetApp() {
    return g_app;
}

HINSTANCE AfxGetInstanceHandle() {
    return reinterpret_cast<HINSTANCE>(&__ImageBase);
}
