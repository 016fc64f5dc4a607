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

// Every write is looked at: a printer key that cannot take its values (gone
// since it was opened) reports as missing, a "Notify" subkey that cannot take
// the items as one that could not be made, instead of a success. What was
// written before stays written.
extern "C" LONG WINAPI SetRegDefaultValue(const char* settingsPath, const char* section,
                                          const char* printerKeyPath) {
    try {
        if (!printerKeyPath)
            return PQIF_DEFAULTS_NO_PRINTER_KEY;
        Registry printer(HKEY_CURRENT_USER, printerKeyPath, false, KEY_ALL_ACCESS);
        if (!printer.IsOpen())
            return PQIF_DEFAULTS_NO_PRINTER_KEY;
        for (const char* name : kSwitches) {
            int value = 0;
            if (SettingsGetInt(settingsPath, section, name, &value) != 0)
                value = 0;
            if (!printer.SetDword(name, static_cast<DWORD>(value)))
                return PQIF_DEFAULTS_NO_PRINTER_KEY;
        }
        for (const char* name : kLimits) {
            int value = 0;
            if (SettingsGetInt(settingsPath, section, name, &value) == 0 &&
                !printer.SetDword(name, static_cast<DWORD>(value)))
                return PQIF_DEFAULTS_NO_PRINTER_KEY;
        }

        // Existing item settings are the user's: never overwritten. From here on
        // the object holds the new "Notify" subkey.
        const std::string notifyPath = std::string(printerKeyPath) + "\\Notify";
        Registry& notify = printer;
        if (notify.Create(HKEY_CURRENT_USER, notifyPath.c_str(), nullptr, KEY_ALL_ACCESS) != 1)
            return PQIF_DEFAULTS_NOTIFY_EXISTS;

        int itemCount = 0;
        if (SettingsGetInt(settingsPath, section, "ITEMNUM", &itemCount) != 0 || itemCount < 0)
            return PQIF_DEFAULTS_NO_ITEMNUM;
        int found = 0;
        for (int i = 0; i <= kLastItem && found < itemCount; ++i) {
            char key[16];
            std::snprintf(key, sizeof key, "ITEM%03d", i);
            int value = 0;
            if (SettingsGetInt(settingsPath, section, key, &value) != 0)
                continue;
            char name[8];
            std::snprintf(name, sizeof name, "%03d", i);
            if (!notify.SetDword(name, static_cast<DWORD>(value)))
                return PQIF_DEFAULTS_NOTIFY_EXISTS;
            ++found;
        }
        return found == itemCount ? PQIF_DEFAULTS_WRITTEN : PQIF_DEFAULTS_ITEMS_MISSING;
    } catch (...) {
        return PQIF_DEFAULTS_NO_PRINTER_KEY;
    }
}
