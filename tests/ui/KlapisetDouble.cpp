// Test double of the channel-setup tool: records its command line, then posts the
// result bits the test asked for (HKCU\Software\PqifTests\KlapisetDouble "Bits") to
// the window and message named after "/Ret=WM:" in its command line.
#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace {
const char* const DoubleKey = "Software\\PqifTests\\KlapisetDouble";

bool ParseHex8(const char* text, unsigned long* value) {
    char digits[9] = {};
    for (int i = 0; i < 8; ++i) {
        char c = text[i];
        bool hex = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
        if (!hex)
            return false;
        digits[i] = c;
    }
    *value = std::strtoul(digits, nullptr, 16);
    return true;
}
} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const char* commandLine = ::GetCommandLineA();
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, DoubleKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          &key, nullptr) != ERROR_SUCCESS)
        return 3;
    ::RegSetValueExA(key, "CommandLine", 0, REG_SZ, reinterpret_cast<const BYTE*>(commandLine),
                     static_cast<DWORD>(std::strlen(commandLine) + 1));
    DWORD runs = 0, bits = 0, size = sizeof(DWORD);
    ::RegQueryValueExA(key, "Runs", nullptr, nullptr, reinterpret_cast<BYTE*>(&runs), &size);
    ++runs;
    ::RegSetValueExA(key, "Runs", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&runs), sizeof runs);
    size = sizeof bits;
    ::RegQueryValueExA(key, "Bits", nullptr, nullptr, reinterpret_cast<BYTE*>(&bits), &size);
    ::RegCloseKey(key);

    const char* reply = std::strstr(commandLine, "/Ret=WM:");
    unsigned long window = 0, message = 0;
    if (!reply || !ParseHex8(reply + 8, &window) || reply[16] != ';' ||
        !ParseHex8(reply + 17, &message))
        return 2;
    return ::PostMessageA(reinterpret_cast<HWND>(static_cast<UINT_PTR>(window)),
                          static_cast<UINT>(message), 0, static_cast<LPARAM>(bits))
               ? 0
               : 1;
}
