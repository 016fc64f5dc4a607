#include <windows.h>

#include "framework/ThreadRecordRelease.h"

// Status watchers hold their own reference on the module and are stopped by
// KLCloseChannel or the last KLRelease; only the calling thread's record in
// the thread library is given back.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void* reserved) {
    if (reason == DLL_PROCESS_ATTACH)
        ::DisableThreadLibraryCalls(instance);
    if (reason == DLL_PROCESS_ATTACH || (reason == DLL_PROCESS_DETACH && !reserved))
        ReleaseThreadRecordOfCallingThread(instance);
    return TRUE;
}
