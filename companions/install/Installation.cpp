#include "companions/install/Installation.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "companions/install/DemoModel.h"
#include "companions/klapi/KlapiVersion.h"
#include "companions/klapi/SimStore.h"
#include "framework/Handles.h"
#include "support/Registry.h"

namespace install {
namespace {

std::string Numbered(const char* format, int number) {
    char name[16];
    std::snprintf(name, sizeof name, format, number);
    return name;
}

bool WriteFileText(const std::string& path, const std::string& text) {
    UniqueFile file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    DWORD written = 0;
    return ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written,
                       nullptr) &&
           written == text.size();
}

// A printer key filled the way the library's default-setting export fills one:
// the plain DWORDs every time, the "Notify" items only into a new subkey.
bool WritePrinterKey(const std::string& path, const char* name) {
    Registry key(HKEY_CURRENT_USER, path.c_str(), true);
    if (!key.IsOpen() || !key.SetString("Name", name))
        return false;
    const auto& defaults = demo::MonitorDefaults();
    if (!std::all_of(defaults.begin(), defaults.end(), [&](const demo::IntSetting& setting) {
            return key.SetDword(setting.key, static_cast<DWORD>(setting.value)) == 1;
        }))
        return false;
    Registry notify(HKEY_CURRENT_USER, path.c_str());
    if (notify.Create(HKEY_CURRENT_USER, (path + "\\Notify").c_str(), nullptr, KEY_ALL_ACCESS) == 0)
        return notify.IsOpen();
    for (const demo::ItemDefault& item : demo::ItemDefaults()) {
        if (!notify.SetDword(Numbered("%03d", item.item).c_str(), static_cast<DWORD>(item.notify)))
            return false;
    }
    return true;
}

bool Fail(std::string* error, const std::string& message) {
    *error = message;
    return false;
}

// Deletes a key when nothing is left in it (no values, no subkeys).
void RemoveIfEmpty(HKEY root, const std::string& path) {
    {
        Registry key(root, path.c_str());
        if (!key.IsOpen() || !key.EnumKey(0).empty() || !key.EnumValue(0).empty())
            return;
    }
    size_t split = path.rfind('\\');
    Registry parent(root, split == std::string::npos ? "" : path.substr(0, split).c_str(), false,
                    KEY_ALL_ACCESS);
    parent.DeleteKey(split == std::string::npos ? path.c_str() : path.c_str() + split + 1);
}

void RemoveKey(HKEY root, const std::string& path) {
    size_t split = path.rfind('\\');
    Registry parent(root, path.substr(0, split).c_str(), false, KEY_ALL_ACCESS);
    parent.DeleteKey(path.c_str() + split + 1);
}

void RemoveValues(HKEY root, const char* path, const std::vector<std::string>& names) {
    Registry key(root, path, false, KEY_ALL_ACCESS);
    for (const std::string& name : names)
        key.DeleteValue(name.c_str());
}

// The parents of the installed keys, deepest first, removed when empty.
const char* const kMachineParents[] = {"software\\VORNE\\KVR7\\Driver", demo::ProductKey,
                                       "software\\VORNE\\KLPrinter", "software\\VORNE"};
// The simulated printers' store is one of them: the demo's printers may be
// the first it holds.
const char* const kUserParents[] = {
    demo::PrinterTargetsKey, demo::PortTargetsKey, "software\\VORNE\\KVR7\\KVRData",
    "software\\VORNE\\KVR7", "software\\VORNE",    simstore::PrintersPath};

// The keys the installation writes, and the parents they need. Remove deletes
// only those of them that the installation itself created and left empty, so
// keys that were there before it stay.
struct KeyRef {
    HKEY root;
    std::string path;
};

std::vector<KeyRef> InstalledKeys() {
    std::vector<KeyRef> keys;
    for (const char* path :
         {demo::CommonKey, demo::ProfileKey, demo::KlapiInfoKey, demo::RouterKey, demo::DriverKey})
        keys.push_back({HKEY_LOCAL_MACHINE, path});
    for (const char* path : kMachineParents)
        keys.push_back({HKEY_LOCAL_MACHINE, path});
    for (const char* path : kUserParents)
        keys.push_back({HKEY_CURRENT_USER, path});
    return keys;
}

constexpr const char* kCreatedKeysValue = "InstallCreatedKeys";

// Remembers which of the installation's keys do not exist yet.
bool RecordCreatedKeys() {
    std::string created;
    for (const KeyRef& key : InstalledKeys()) {
        Registry existing(key.root, key.path.c_str());
        if (!existing.IsOpen())
            created += std::string(key.root == HKEY_LOCAL_MACHINE ? "M:" : "U:") + key.path + "\n";
    }
    Registry store(HKEY_CURRENT_USER, simstore::RootPath, true);
    // A second install keeps the record of the first.
    if (store.GetValueType(kCreatedKeysValue) != 0)
        return true;
    return store.SetString(kCreatedKeysValue, created.c_str()) != 0;
}

bool WasCreated(HKEY root, const std::string& path, const std::string& record) {
    std::string line = std::string(root == HKEY_LOCAL_MACHINE ? "M:" : "U:") + path + "\n";
    return record.find(line) != std::string::npos;
}

} // namespace

bool Install(const std::string& dir, const std::string& soundSource, std::string* error) {
    DWORD attributes = ::GetFileAttributesA(dir.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return Fail(error, "no such directory: " + dir);

    std::string settingsFile = dir + "\\" + demo::SettingsFileName;
    if (!WriteFileText(settingsFile, demo::SettingsFileText()))
        return Fail(error, "cannot write " + settingsFile);
    for (const std::string& sound : demo::SoundFiles()) {
        std::string from = soundSource + "\\" + sound;
        std::string to = dir + "\\" + sound;
        if (!::CopyFileA(from.c_str(), to.c_str(), FALSE))
            return Fail(error, "cannot copy " + from + " to " + dir);
    }

    if (!RecordCreatedKeys())
        return Fail(error, "cannot record the keys the installation creates");
    bool written = true;
    {
        Registry product(HKEY_LOCAL_MACHINE, demo::ProductKey, true);
        written = written && product.SetDword("log", 0);
        Registry profile(HKEY_LOCAL_MACHINE, demo::ProfileKey, true);
        written = written && profile.SetString(demo::Model, settingsFile.c_str());
        Registry common(HKEY_LOCAL_MACHINE, demo::CommonKey, true);
        for (const char* flag : demo::CommonFlags())
            written = written && common.SetDword(flag, 0);
        Registry driver(HKEY_LOCAL_MACHINE, demo::DriverKey, true);
        written = written && driver.SetString("InstallPath", dir.c_str()) &&
                  driver.SetString("ModelID", demo::Model);
        Registry klapi(HKEY_LOCAL_MACHINE, demo::KlapiInfoKey, true);
        written = written && klapi.SetString("InstallDir", dir.c_str()) &&
                  klapi.SetString("KLAPIVersion", KLAPI_VERSION_TEXT);
        Registry router(HKEY_LOCAL_MACHINE, demo::RouterKey, true);
        for (size_t i = 0; i < demo::RouterPorts().size(); ++i)
            written = written && router.SetString(Numbered("KLP%02d", static_cast<int>(i)).c_str(),
                                                  demo::RouterPorts()[i]);
    }
    if (!written)
        return Fail(error, "cannot write the product's keys under HKEY_LOCAL_MACHINE");

    if (!WritePrinterKey(std::string(demo::PrinterTargetsKey) + "\\" + demo::PrinterName,
                         demo::PrinterName) ||
        !WritePrinterKey(std::string(demo::PortTargetsKey) + "\\" + demo::PortName, demo::PortName))
        return Fail(error, "cannot write the printer keys under HKEY_CURRENT_USER");

    if (!simstore::SimPrinter(demo::PrinterName).Add(demo::Model) ||
        !simstore::SimPrinter(demo::PortName).Add(demo::Model))
        return Fail(error, "cannot add the simulated printers");
    return true;
}

bool Remove(std::string* removedFrom, std::string* error) {
    std::string record;
    {
        Registry store(HKEY_CURRENT_USER, simstore::RootPath, false, KEY_ALL_ACCESS);
        DWORD size = store.GetValueSize(kCreatedKeysValue);
        record = store.GetString(kCreatedKeysValue, "", size + 1);
        store.DeleteValue(kCreatedKeysValue);
    }
    auto removeIfCreated = [&](HKEY root, const std::string& path) {
        if (WasCreated(root, path, record))
            RemoveIfEmpty(root, path);
    };
    std::string dir;
    {
        Registry klapi(HKEY_LOCAL_MACHINE, demo::KlapiInfoKey);
        dir = klapi.GetString("InstallDir", "", MAX_PATH);
        Registry driver(HKEY_LOCAL_MACHINE, demo::DriverKey);
        if (dir.empty())
            dir = driver.GetString("InstallPath", "", MAX_PATH);
    }
    *removedFrom = dir;
    if (!dir.empty()) {
        std::vector<std::string> files = demo::SoundFiles();
        files.emplace_back(demo::SettingsFileName);
        for (const std::string& file : files) {
            std::string path = dir + "\\" + file;
            if (!::DeleteFileA(path.c_str()) && ::GetLastError() != ERROR_FILE_NOT_FOUND)
                return Fail(error, "cannot delete " + path);
        }
    }

    simstore::SimPrinter(demo::PrinterName).Remove();
    simstore::SimPrinter(demo::PortName).Remove();

    RemoveKey(HKEY_CURRENT_USER, std::string(demo::PrinterTargetsKey) + "\\" + demo::PrinterName);
    RemoveKey(HKEY_CURRENT_USER, std::string(demo::PortTargetsKey) + "\\" + demo::PortName);
    for (const char* parent : kUserParents)
        removeIfCreated(HKEY_CURRENT_USER, parent);

    RemoveKey(HKEY_LOCAL_MACHINE, demo::DriverKey);
    RemoveValues(HKEY_LOCAL_MACHINE, demo::CommonKey,
                 std::vector<std::string>(demo::CommonFlags().begin(), demo::CommonFlags().end()));
    removeIfCreated(HKEY_LOCAL_MACHINE, demo::CommonKey);
    RemoveValues(HKEY_LOCAL_MACHINE, demo::ProfileKey, {demo::Model});
    removeIfCreated(HKEY_LOCAL_MACHINE, demo::ProfileKey);
    RemoveValues(HKEY_LOCAL_MACHINE, demo::ProductKey, {"log"});
    RemoveValues(HKEY_LOCAL_MACHINE, demo::KlapiInfoKey, {"InstallDir", "KLAPIVersion"});
    removeIfCreated(HKEY_LOCAL_MACHINE, demo::KlapiInfoKey);
    std::vector<std::string> ports;
    for (size_t i = 0; i < demo::RouterPorts().size(); ++i)
        ports.push_back(Numbered("KLP%02d", static_cast<int>(i)));
    RemoveValues(HKEY_LOCAL_MACHINE, demo::RouterKey, ports);
    removeIfCreated(HKEY_LOCAL_MACHINE, demo::RouterKey);
    for (const char* parent : kMachineParents)
        removeIfCreated(HKEY_LOCAL_MACHINE, parent);
    return true;
}

} // namespace install
