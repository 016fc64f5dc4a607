#include "V_PQIF07.h"

#include <cstdio>
#include <string>

#include "support/SettingsFile.h"
#include "support/Registry.h"

namespace {
// Written as 0 when the settings file lacks them.
const char* const kSwitches[] = {"SoundNotifyEnable", "TrayIconEnable", "TrayIconSelected"};
// Left as they are when the settings file lacks them.
const char* const kLimits[] = {"InkNearEndB", "InkNearEndC", "SizeUnitH",   "SlipMax",
                               "MaxCaset",    "MaxIC",       "PaperNearEnd"};
constexpr int kLastItem = 999;
} // namespace

extern "C" LONG WINAPI SetRegDefaultValue(const char* settingsPath, const char* section,
                                          const char* printerKeyPath) {
    try {
        if (!printerKeyPath)
            return 1;
        Registry printer(HKEY_CURRENT_USER, printerKeyPath, false, KEY_ALL_ACCESS);
        if (!printer.IsOpen())
            return 1;
        for (const char* name : kSwitches) {
            int value = 0;
            if (SettingsGetInt(settingsPath, section, name, &value) != 0)
                value = 0;
            printer.SetDword(name, static_cast<DWORD>(value));
        }
        for (const char* name : kLimits) {
            int value = 0;
            if (SettingsGetInt(settingsPath, section, name, &value) == 0)
                printer.SetDword(name, static_cast<DWORD>(value));
        }

        // Existing item settings are the user's: never overwritten. From here on
        // the object holds the new "Notify" subkey.
        const std::string notifyPath = std::string(printerKeyPath) + "\\Notify";
        Registry& notify = printer;
        if (notify.Create(HKEY_CURRENT_USER, notifyPath.c_str(), nullptr, KEY_ALL_ACCESS) != 1)
            return 3;

        int itemCount = 0;
        if (SettingsGetInt(settingsPath, section, "ITEMNUM", &itemCount) != 0 || itemCount < 0)
            return 4;
        int found = 0;
        for (int i = 0; i <= kLastItem && found < itemCount; ++i) {
            char key[16];
            std::snprintf(key, sizeof key, "ITEM%03d", i);
            int value = 0;
            if (SettingsGetInt(settingsPath, section, key, &value) != 0)
                continue;
            char name[8];
            std::snprintf(name, sizeof name, "%03d", i);
            notify.SetDword(name, static_cast<DWORD>(value));
            ++found;
        }
        return found == itemCount ? 0 : 5;
    } catch (...) {
        return 1;
    }
}
