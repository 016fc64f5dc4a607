/*
 * A library that records being loaded: its DllMain writes its own file name
 * under HKEY_CURRENT_USER\Software\PqifTests\Planted. Planted under the names
 * of the product's libraries, it must never be loaded; built with resources,
 * its code must never run when only its resources are wanted.
 */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        char path[MAX_PATH] = {0};
        DWORD length = GetModuleFileNameA(instance, path, MAX_PATH);
        HKEY key = NULL;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\PqifTests\\Planted", 0, NULL, 0,
                            KEY_SET_VALUE, NULL, &key, NULL) == ERROR_SUCCESS) {
            DWORD one = 1;
            RegSetValueExA(key, length ? path : "unknown", 0, REG_DWORD, (const BYTE*)&one,
                           sizeof one);
            RegCloseKey(key);
        }
    }
    return TRUE;
}
