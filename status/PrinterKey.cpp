#include "status/PrinterKey.h"

#include <cstring>
#include <string>
#include <vector>

#include "support/Registry.h"

const char* const PrinterTargetsPath = "software\\VORNE\\KVR7\\KVRData\\VRLTarget";
const char* const PortTargetsPath = "software\\VORNE\\KVR7\\KVRData\\VRNTarget";
const char* const DebugReplyKeyPath = "software\\VORNE\\KVR7\\Debug";

namespace {
constexpr DWORD kStringSize = 256;
constexpr DWORD kComStatusUnknown = 2;

bool IsEmpty(const char* s) {
    return !s || !*s;
}
} // namespace

int FindPrinterKey(const char* name, int selector, char* path) {
    if (selector != SelectByPrinter && selector != SelectByPort)
        return 5;
    const char* basePath = selector == SelectByPrinter ? PrinterTargetsPath : PortTargetsPath;
    Registry base(HKEY_CURRENT_USER, basePath);
    if (!base.IsOpen())
        return 4;
    if (IsEmpty(name) || !path)
        return 1;
    const std::size_t baseLength = std::strlen(basePath);
    for (DWORD index = 0;; ++index) {
        std::string subkey = base.EnumKey(index);
        if (subkey.empty())
            return 1;
        if (baseLength + 1 + subkey.size() + 1 > PrinterKeyPathSize)
            continue;
        // Opened relative to the base key: one round trip instead of a walk from the root.
        Registry printer(base.Handle(), subkey.c_str());
        std::string keyName = printer.GetString("Name", "", kStringSize);
        if (!keyName.empty() && lstrcmpiA(keyName.c_str(), name) == 0) {
            const std::string full = std::string(basePath, baseLength) + '\\' + subkey;
            std::memcpy(path, full.c_str(), full.size() + 1); // with its NUL; size checked above
            return 0;
        }
    }
}

int FindPrinterKeyFor(const char* printerName, const char* portName, char* path) {
    if (!IsEmpty(printerName) || IsEmpty(portName))
        return FindPrinterKey(printerName, SelectByPrinter, path);
    return FindPrinterKey(portName, SelectByPort, path);
}

int StoreRawStatusAt(const char* keyPath, const void* bytes, DWORD length) {
    Registry key(HKEY_CURRENT_USER, keyPath, true);
    if (!key.IsOpen())
        return 2;
    return key.SetBinary("Status", bytes, length) ? 0 : 2;
}

void WriteComStatusAt(const char* keyPath, DWORD value) {
    Registry key(HKEY_CURRENT_USER, keyPath, true);
    // A record for the window and the printing side; a query's result never rests on it.
    static_cast<void>(key.SetDword("ComStatus", value));
}

int StoreDecodedReplyAt(const char* keyPath, const void* bytes, DWORD length) {
    Registry key(HKEY_CURRENT_USER, keyPath, true);
    if (!key.IsOpen())
        return 2;
    // Two independent facts: a reply that could not be kept was still read.
    const bool stored = key.SetBinary("Status", bytes, length) != 0;
    const bool marked = key.SetDword("ComStatus", 1) != 0;
    return stored && marked ? 0 : 2;
}

int StoreRawStatus(const char* printerName, const char* portName, const void* bytes, DWORD length) {
    char path[PrinterKeyPathSize];
    if (FindPrinterKeyFor(printerName, portName, path) != 0)
        return 1;
    return StoreRawStatusAt(path, bytes, length);
}

int ReadRawStatus(const char* printerName, const char* portName, void* buffer, DWORD bufferSize,
                  DWORD* length) {
    char path[PrinterKeyPathSize];
    if (FindPrinterKeyFor(printerName, portName, path) != 0)
        return -1;
    Registry key(HKEY_CURRENT_USER, path);
    if (!key.IsOpen())
        return -1;
    if (!buffer) {
        DWORD size = key.GetValueSize("Status");
        if (length)
            *length = size;
        return size ? 1 : 0;
    }
    std::vector<BYTE> data = key.GetBinary("Status");
    if (data.empty() || data.size() > bufferSize)
        return 0;
    std::memcpy(buffer, data.data(), data.size());
    if (length)
        *length = static_cast<DWORD>(data.size());
    return 1;
}

void WriteComStatus(const char* printerName, const char* portName, DWORD value) {
    char path[PrinterKeyPathSize];
    if (FindPrinterKeyFor(printerName, portName, path) == 0)
        WriteComStatusAt(path, value);
}

DWORD ReadComStatus(const char* printerName, const char* portName) {
    char path[PrinterKeyPathSize];
    if (FindPrinterKeyFor(printerName, portName, path) != 0)
        return kComStatusUnknown;
    Registry key(HKEY_CURRENT_USER, path, true);
    return key.GetDword("ComStatus", kComStatusUnknown);
}
