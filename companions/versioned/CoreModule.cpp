// V_CORE12.DLL: the companion core module of the printer software. The status
// monitor reads only its version resource; the one export tells the same
// version to a program that loads the module.
#include <windows.h>

extern "C" __declspec(dllexport) DWORD WINAPI VCoreGetVersion() {
    return MAKELONG(3, MAKEWORD(0, 12)); // 12.0.3: major in the high byte
}

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH)
        DisableThreadLibraryCalls(module);
    return TRUE;
}
