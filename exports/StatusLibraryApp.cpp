#include "exports/StatusLibraryApp.h"

#include "support/Registry.h"

// Defined before the application object so that they exist when it is built.
std::string CommonKeyPath;
int DebugLogEnabled = 0;
std::string LanguageSection;
int IdleInterval = 10;

const char* const ProductKeyPath = "Software\\Vorne\\KVR7";

StatusLibraryApp::StatusLibraryApp() : CWinApp(nullptr) {
    CommonKeyPath.clear();
    DebugLogEnabled = 0;
    {
        Registry product(HKEY_LOCAL_MACHINE, ProductKeyPath);
        if (product.IsOpen())
            DebugLogEnabled = product.GetDword("log", 0) != 0 ? 1 : 0;
    }
    LanguageSection.clear();
}

BOOL StatusLibraryApp::InitInstance() {
    return CWinApp::InitInstance();
}

StatusLibraryApp theApp;
