#include "status/NotifyLookup.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "framework/Handles.h"
#include "status/PrinterKey.h"
#include "support/Registry.h"

const char* const ProfileKeyPath = "software\\VORNE\\KVR7\\Profile";

namespace {
constexpr std::size_t kPathSize = 260;
constexpr int kLineRead = 310;
constexpr LONG kMissing = -1;

bool IsModelSection(const char* line, const char* model, std::size_t modelLength) {
    return line[0] == '[' && _strnicmp(line + 1, model, modelLength) == 0;
}

// Reads the file in 309-byte lines; the tail of a longer line is dropped rather
// than read as a line of its own.
bool HasModelSection(const char* path, const char* model) {
    std::FILE* file = std::fopen(path, "r");
    if (!file)
        return false;
    const std::size_t modelLength = std::strlen(model);
    char line[kLineRead];
    bool found = false;
    while (!found && std::fgets(line, sizeof line, file)) {
        found = IsModelSection(line, model, modelLength);
        std::size_t n = std::strlen(line);
        if (n == sizeof line - 1 && line[n - 1] != '\n') {
            int c;
            while ((c = std::fgetc(file)) != EOF && c != '\n') {
            }
        }
    }
    std::fclose(file);
    return found;
}
} // namespace

int FindModelIni(char* path, const char* modelName) {
    if (!path || !modelName || !*modelName)
        return 1;
    Registry profile(HKEY_LOCAL_MACHINE, ProfileKeyPath);
    if (!profile.IsOpen())
        return 1;
    std::string file = profile.GetString(modelName, "", 256);
    if (file.empty() || file.size() >= kPathSize)
        return 1;
    DWORD attributes = ::GetFileAttributesA(file.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return 1;
    if (!HasModelSection(file.c_str(), modelName))
        return 1;
    std::memcpy(path, file.c_str(), file.size() + 1);
    return 0;
}

int NotifyLookupAt(const char* keyPath, int item, LONG* sound, LONG* notify,
                   const char* modelName) {
    LONG soundValue = 0;
    LONG notifyValue = 0;
    bool soundFound = false;
    bool notifyFound = false;
    char itemName[16];
    std::snprintf(itemName, sizeof itemName, "%03d", item);

    if (keyPath) {
        Registry printer(HKEY_CURRENT_USER, keyPath);
        if (printer.IsOpen()) {
            LONG v = printer.GetDwordOrMinusOne("SoundNotifyEnable");
            if (v != kMissing) {
                soundValue = v;
                soundFound = true;
            }
        }
        const std::string notifyPath = std::string(keyPath) + "\\Notify";
        Registry notifyKey(printer.IsOpen() ? printer.Handle() : HKEY_CURRENT_USER,
                           printer.IsOpen() ? "Notify" : notifyPath.c_str());
        if (notifyKey.IsOpen()) {
            LONG v = notifyKey.GetDwordOrMinusOne(itemName);
            if (v != kMissing) {
                notifyValue = v;
                notifyFound = true;
            }
        }
    }

    char ini[kPathSize];
    if ((!soundFound || !notifyFound) && FindModelIni(ini, modelName) == 0) {
        if (!notifyFound) {
            char key[24];
            std::snprintf(key, sizeof key, "ITEM%03d", item);
            LONG v = static_cast<LONG>(::GetPrivateProfileIntA(modelName, key, kMissing, ini));
            if (v != kMissing) {
                notifyValue = v;
                notifyFound = true;
            }
        } else {
            LONG v = static_cast<LONG>(
                ::GetPrivateProfileIntA(modelName, "SoundNotifyEnable", kMissing, ini));
            if (v != kMissing) {
                soundValue = v;
                soundFound = true;
            }
        }
    }

    // A sound is due only when the master switch and the item's setting are both on.
    soundValue &= notifyValue;
    if (sound)
        *sound = soundValue;
    if (notify)
        *notify = notifyValue;
    return (soundFound ? 0 : 1) + (notifyFound ? 0 : 1);
}

int NotifyLookup(const char* printerName, const char* portName, int item, LONG* sound, LONG* notify,
                 const char* modelName) {
    char path[PrinterKeyPathSize];
    bool found = FindPrinterKeyFor(printerName, portName, path) == 0;
    return NotifyLookupAt(found ? path : nullptr, item, sound, notify, modelName);
}
