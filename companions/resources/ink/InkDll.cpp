// KVRINK.DLL: the ink library. Loading it makes the "KvrInkLevel" window class
// available to every module of the process, so that dialog templates of the
// resource libraries can name it; unloading it takes the class away again.
#include <windows.h>

#include "InkLevelControl.h"
#include "framework/ThreadRecordRelease.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        DisableThreadLibraryCalls(module);
        ReleaseThreadRecordOfCallingThread(module);
        return ink::RegisterInkClass(module) ? TRUE : FALSE;
    case DLL_PROCESS_DETACH:
        // At process exit the class goes away with the process.
        if (!reserved) {
            ink::UnregisterInkClass(module);
            ReleaseThreadRecordOfCallingThread(module);
        }
        break;
    default:
        break;
    }
    return TRUE;
}
