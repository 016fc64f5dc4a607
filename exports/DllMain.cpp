#include <windows.h>

#include "framework/CWinApp.h"
#include "framework/ThreadRecordRelease.h"

// The application object is constructed by the runtime before this runs.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        ::DisableThreadLibraryCalls(instance);
        CWinApp* app = AfxGetApp();
        if (app && !app->InitInstance())
            return FALSE;
    }
    // At process exit the records go with the process.
    if (reason == DLL_PROCESS_ATTACH || (reason == DLL_PROCESS_DETACH && !reserved))
        ReleaseThreadRecordOfCallingThread(instance);
    return TRUE;
}
