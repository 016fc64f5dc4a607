#pragma once
#include <string>
#include <vector>

// What the product installs for its demo model: the names, the registry
// locations and the settings file's contents, in one place.
namespace demo {

constexpr const char* Model = "Vorne Kestrel K7";
constexpr const char* PrinterName = "Kestrel_K7"; // spooler queue and driver name
constexpr const char* PortName = "USB001";
constexpr const char* SettingsFileName = "KESTREL7.INI";
constexpr const char* SoundFolder = "sounds"; // beside kvrinstall.exe

// HKEY_LOCAL_MACHINE
constexpr const char* ProductKey = "Software\\Vorne\\KVR7";
constexpr const char* ProfileKey = "software\\VORNE\\KVR7\\Profile";
constexpr const char* CommonKey = "software\\VORNE\\KVR7\\KVRCommon";
constexpr const char* DriverKey = "software\\VORNE\\KVR7\\Driver\\Kestrel_K7";
constexpr const char* KlapiInfoKey = "software\\VORNE\\KLAPIInfo";
constexpr const char* RouterKey = "software\\VORNE\\KLPrinter\\KLRequestRouter";
// HKEY_CURRENT_USER
constexpr const char* PrinterTargetsKey = "software\\VORNE\\KVR7\\KVRData\\VRLTarget";
constexpr const char* PortTargetsKey = "software\\VORNE\\KVR7\\KVRData\\VRNTarget";

struct IntSetting {
    const char* key;
    int value;
};

// The flags under the common key, all off.
const std::vector<const char*>& CommonFlags();
// The router's ports, KLP00 onwards.
const std::vector<const char*>& RouterPorts();

// The monitor defaults of the model's section, in the order the library
// copies them into a printer key.
const std::vector<IntSetting>& MonitorDefaults();
struct ItemDefault {
    int item;
    int notify;
};
// Default notification per item number ("ITEM%03d" in the settings file,
// "%03d" under a printer key's "Notify").
const std::vector<ItemDefault>& ItemDefaults();

struct Sound {
    int number; // the "WVV%03d" key
    const char* file;
};
const std::vector<Sound>& Sounds();
// The distinct wave files of Sounds().
std::vector<std::string> SoundFiles();

// The whole settings file, with CRLF line ends.
std::string SettingsFileText();

} // namespace demo
