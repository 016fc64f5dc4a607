#include "exports/StatusLibraryApp.h"

#include "support/Registry.h"

// CommonKeyPath and LanguageSection start empty by their own construction
// (which may follow this one's); they are not touched here.
StatusLibraryApp::StatusLibraryApp() : CWinApp(nullptr) {
    DebugLogEnabled = 0;
    {
        Registry product(HKEY_LOCAL_MACHINE, ProductKeyPath);
        if (product.IsOpen())
            DebugLogEnabled = product.GetDword("log", 0) != 0 ? 1 : 0;
    }
}

BOOL StatusLibraryApp::InitInstance() {
    return CWinApp::InitInstance();
}

StatusLibraryApp theApp;
