// A channel-setup tool that never answers: it counts its runs
// (HKCU\Software\PqifTests\SilentKlapiset "Runs") and ends without posting
// message 1224 to the window that started it.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\PqifTests\\SilentKlapiset", 0, nullptr, 0,
                          KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return 1;
    DWORD runs = 0, size = sizeof runs;
    ::RegQueryValueExA(key, "Runs", nullptr, nullptr, reinterpret_cast<BYTE*>(&runs), &size);
    ++runs;
    ::RegSetValueExA(key, "Runs", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&runs), sizeof runs);
    ::RegCloseKey(key);
    return 0;
}
