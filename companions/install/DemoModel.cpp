#include "companions/install/DemoModel.h"

#include <cstdio>

namespace demo {

const std::vector<const char*>& CommonFlags() {
    static const std::vector<const char*> flags = {"KLAPIRECOVER", "RST_FREPLACE", "ERR_KLAPIINUSE",
                                                   "ERR_OTHERS", "ERR_OSVERNOTSUPPORT"};
    return flags;
}

const std::vector<const char*>& RouterPorts() {
    static const std::vector<const char*> ports = {"LPT1:", "KLPIP1:", "IPX1:"};
    return ports;
}

const std::vector<IntSetting>& MonitorDefaults() {
    static const std::vector<IntSetting> defaults = {
        {"SoundNotifyEnable", 1}, {"TrayIconEnable", 1}, {"TrayIconSelected", 0},
        {"InkNearEndB", 20},      {"InkNearEndC", 10},   {"SizeUnitH", 0},
        {"SlipMax", 15},          {"MaxCaset", 2},       {"MaxIC", 6},
        {"PaperNearEnd", 1}};
    return defaults;
}

const std::vector<ItemDefault>& ItemDefaults() {
    // Items 1 (printing) and 999 (busy) stay quiet by default.
    static const std::vector<ItemDefault> items = {{1, 0},  {9, 1},  {11, 1}, {12, 1},
                                                   {13, 1}, {14, 1}, {15, 1}, {999, 0}};
    return items;
}

const std::vector<Sound>& Sounds() {
    static const std::vector<Sound> sounds = {
        {3, "kvr_error.wav"},    {6, "kvr_error.wav"},  {9, "kvr_warning.wav"}, {10, "kvr_ink.wav"},
        {13, "kvr_warning.wav"}, {14, "kvr_error.wav"}, {15, "kvr_error.wav"}};
    return sounds;
}

std::vector<std::string> SoundFiles() {
    std::vector<std::string> files;
    for (const Sound& sound : Sounds()) {
        bool known = false;
        for (const std::string& file : files)
            known = known || file == sound.file;
        if (!known)
            files.emplace_back(sound.file);
    }
    return files;
}

namespace {

void Line(std::string* text, const std::string& line) {
    *text += line;
    *text += "\r\n";
}

std::string Numbered(const char* prefix, int number) {
    char key[16];
    std::snprintf(key, sizeof key, "%s%03d", prefix, number);
    return key;
}

void LanguageSection(std::string* text, const char* name, const char* resourceLibrary) {
    Line(text, "");
    Line(text, std::string("[") + name + "]");
    Line(text, std::string("ResDll=") + resourceLibrary);
    for (const Sound& sound : Sounds())
        Line(text, Numbered("WVV", sound.number) + "=" + sound.file);
}

} // namespace

std::string SettingsFileText() {
    std::string text;
    Line(&text, std::string("[") + Model + "]");
    for (const IntSetting& setting : MonitorDefaults())
        Line(&text, std::string(setting.key) + "=" + std::to_string(setting.value));
    Line(&text, "ITEMNUM=" + std::to_string(ItemDefaults().size()));
    for (const ItemDefault& item : ItemDefaults())
        Line(&text, Numbered("ITEM", item.item) + "=" + std::to_string(item.notify));
    Line(&text, "BMPDLL=\"KVRBMP.DLL\"");
    Line(&text, "InkDll=\"KVRINK.DLL\"");
    Line(&text, "Debug=0");
    Line(&text, "EnableGetStatusErr=0");
    Line(&text, "WIN2000=1");
    Line(&text, "VRWVER=\"1.00\"");
    Line(&text, "");
    Line(&text, "[Language]");
    Line(&text, "English=9,1");
    Line(&text, "Japanese=11,1");
    LanguageSection(&text, "English", "KVRRES_EN.DLL");
    LanguageSection(&text, "Japanese", "KVRRES_JA.DLL");
    return text;
}

} // namespace demo
