#include <windows.h>

#include "framework/CWinApp.h"

// The application object is constructed by the runtime before this runs.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        ::DisableThreadLibraryCalls(instance);
        if (CWinApp* app = AfxGetApp())
            return app->InitInstance();
    }
    return TRUE;
}
