#include <windows.h>

// Status watchers hold their own reference on the module and are stopped by
// KLCloseChannel or the last KLRelease, so there is nothing to undo here.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH)
        ::DisableThreadLibraryCalls(instance);
    return TRUE;
}
