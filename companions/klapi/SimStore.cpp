#include "companions/klapi/SimStore.h"

#include <algorithm>
#include <cstring>

#include "support/Registry.h"

namespace simstore {
namespace {

constexpr DWORD kMaxKeyName = 255;
constexpr DWORD kLockWait = 10000;

std::string Join(const char* base, const std::string& name) {
    return std::string(base) + "\\" + name;
}

DWORD ReadDword(HKEY root, const char* path, const char* name, DWORD fallback) {
    Registry key(root, path);
    return key.GetDword(name, fallback);
}

} // namespace

StoreLock::StoreLock() : mutex_(::CreateMutexA(nullptr, FALSE, "PqifSimStoreLock")) {
    if (mutex_) {
        DWORD rc = ::WaitForSingleObject(mutex_, kLockWait);
        // An abandoned mutex still hands over ownership: its owner died mid-step.
        owned_ = rc == WAIT_OBJECT_0 || rc == WAIT_ABANDONED;
    }
}

StoreLock::~StoreLock() {
    if (owned_)
        ::ReleaseMutex(mutex_);
    if (mutex_)
        ::CloseHandle(mutex_);
}

std::string PrinterKeyName(const char* name) {
    if (!name || !*name)
        return {};
    size_t length = strnlen(name, kMaxKeyName + 1);
    if (length > kMaxKeyName)
        return {};
    std::string key(name, length);
    std::replace(key.begin(), key.end(), '\\', '/');
    return key;
}

std::string DefaultDeviceId(const std::string& model) {
    return "MFG:Vorne;CMD:VRPL;MDL:" + model + ";CLS:PRINTER;";
}

std::vector<BYTE> DefaultChannels() {
    // A status channel of the first choice and the preferred data channel.
    const BYTE entries[] = {0x04, 0x00, 0x00, 0x00, 0x04, 0x00, 0x01, 0x00,
                            0x03, 0x00, 0x01, 0x10, 0x04, 0x00, 0x02, 0x00};
    return std::vector<BYTE>(entries, entries + sizeof entries);
}

void CountCall(const char* entryPoint) {
    StoreLock lock;
    Registry calls(HKEY_CURRENT_USER, CallsPath, true);
    // A count for the tests; the call itself goes on either way.
    static_cast<void>(calls.SetDword(entryPoint, calls.GetDword(entryPoint, 0) + 1));
}

DWORD CallCount(const char* entryPoint) {
    return ReadDword(HKEY_CURRENT_USER, CallsPath, entryPoint, 0);
}

std::vector<std::pair<std::string, DWORD>> CallCounts() {
    std::vector<std::pair<std::string, DWORD>> counts;
    Registry calls(HKEY_CURRENT_USER, CallsPath);
    for (DWORD i = 0;; ++i) {
        std::string name = calls.EnumValue(i);
        if (name.empty())
            break;
        counts.emplace_back(name, calls.GetDword(name.c_str(), 0));
    }
    return counts;
}

void ResetCalls() {
    StoreLock lock;
    Registry root(HKEY_CURRENT_USER, RootPath, false, KEY_ALL_ACCESS);
    root.DeleteKey("Calls");
}

LONG InitResult() {
    return static_cast<LONG>(ReadDword(HKEY_CURRENT_USER, RootPath, "InitResult", 0));
}

bool SetInitResult(LONG result) {
    Registry root(HKEY_CURRENT_USER, RootPath, true);
    return root.SetDword("InitResult", static_cast<DWORD>(result)) == 1;
}

void ClearInitResult() {
    Registry root(HKEY_CURRENT_USER, RootPath, false, KEY_ALL_ACCESS);
    root.DeleteValue("InitResult");
}

int NextChannelHandle() {
    StoreLock lock;
    Registry root(HKEY_CURRENT_USER, RootPath, true);
    DWORD next = root.GetDword("NextHandle", 1);
    if (next == 0 || next > 0x7FFFFFFFu)
        next = 1;
    DWORD after = next == 0x7FFFFFFFu ? 1 : next + 1;
    if (!root.SetDword("NextHandle", after))
        return 0;
    return static_cast<int>(next);
}

std::vector<std::string> PrinterNames() {
    std::vector<std::string> names;
    Registry printers(HKEY_CURRENT_USER, PrintersPath);
    for (DWORD i = 0;; ++i) {
        std::string name = printers.EnumKey(i);
        if (name.empty())
            break;
        names.push_back(name);
    }
    return names;
}

SimPrinter::SimPrinter(const char* name) : keyName_(PrinterKeyName(name)) {
    if (!keyName_.empty())
        keyPath_ = Join(PrintersPath, keyName_);
}

bool SimPrinter::Exists() const {
    if (keyPath_.empty())
        return false;
    Registry key(HKEY_CURRENT_USER, keyPath_.c_str());
    return key.IsOpen();
}

bool SimPrinter::Add(const std::string& model) {
    if (keyPath_.empty())
        return false;
    Registry key(HKEY_CURRENT_USER, keyPath_.c_str(), true);
    if (!key.IsOpen())
        return false;
    if (!key.SetString(DeviceIdValue, DefaultDeviceId(model).c_str()))
        return false;
    if (key.GetValueType(ChannelsValue) == 0) {
        std::vector<BYTE> channels = DefaultChannels();
        if (!key.SetBinary(ChannelsValue, channels.data(), static_cast<DWORD>(channels.size())))
            return false;
    }
    return true;
}

bool SimPrinter::Remove() {
    if (keyPath_.empty())
        return false;
    Registry printers(HKEY_CURRENT_USER, PrintersPath, false, KEY_ALL_ACCESS);
    return printers.DeleteKey(keyName_.c_str()) == 1;
}

std::string SimPrinter::DeviceId() const {
    Registry key(Root(), keyPath_.c_str());
    DWORD size = key.GetValueSize(DeviceIdValue);
    return size ? key.GetString(DeviceIdValue, "", size + 1) : std::string();
}

// Writes go to an existing key only: a printer removed meanwhile stays removed.
bool SimPrinter::SetDeviceId(const std::string& text) {
    Registry key(Root(), keyPath_.c_str(), false, KEY_ALL_ACCESS);
    return key.SetString(DeviceIdValue, text.c_str()) == 1;
}

std::vector<BYTE> SimPrinter::Bytes(const char* value) const {
    Registry key(Root(), keyPath_.c_str());
    return key.GetBinary(value);
}

bool SimPrinter::SetBytes(const char* value, const std::string& bytes) {
    return SetBytes(value, std::vector<BYTE>(bytes.begin(), bytes.end()));
}

bool SimPrinter::SetBytes(const char* value, const std::vector<BYTE>& bytes) {
    Registry key(Root(), keyPath_.c_str(), false, KEY_ALL_ACCESS);
    return key.SetBinary(value, bytes.data(), static_cast<DWORD>(bytes.size())) == 1;
}

bool SimPrinter::DeleteValue(const char* value) {
    Registry key(Root(), keyPath_.c_str(), false, KEY_ALL_ACCESS);
    return key.DeleteValue(value) == 1;
}

bool SimPrinter::InUse() const {
    return ReadDword(Root(), keyPath_.c_str(), InUseValue, 0) != 0;
}

bool SimPrinter::SetInUse(bool inUse) {
    Registry key(Root(), keyPath_.c_str(), false, KEY_ALL_ACCESS);
    return key.SetDword(InUseValue, inUse ? 1 : 0) == 1;
}

bool SimPrinter::ScriptedResult(const char* entryPoint, LONG* result) const {
    Registry key(Root(), keyPath_.c_str());
    std::string name = std::string(FailPrefix) + entryPoint;
    if (!key.IsDwordValue(name.c_str()))
        return false;
    *result = static_cast<LONG>(key.GetDword(name.c_str(), 0));
    return true;
}

bool SimPrinter::SetScriptedResult(const char* entryPoint, LONG result) {
    Registry key(Root(), keyPath_.c_str(), false, KEY_ALL_ACCESS);
    return key.SetDword((std::string(FailPrefix) + entryPoint).c_str(),
                        static_cast<DWORD>(result)) == 1;
}

bool SimPrinter::ClearScriptedResult(const char* entryPoint) {
    return DeleteValue((std::string(FailPrefix) + entryPoint).c_str());
}

LONG SimPrinter::Lie(const char* entryPoint) const {
    std::string name = std::string(LiePrefix) + entryPoint;
    LONG extra = static_cast<LONG>(ReadDword(Root(), keyPath_.c_str(), name.c_str(), 0));
    return extra > 0 ? extra : 0;
}

bool SimPrinter::SetLie(const char* entryPoint, LONG extra) {
    std::string name = std::string(LiePrefix) + entryPoint;
    Registry key(Root(), keyPath_.c_str(), false, KEY_ALL_ACCESS);
    if (!key.IsOpen())
        return false;
    if (extra <= 0) {
        key.DeleteValue(name.c_str());
        return true;
    }
    return key.SetDword(name.c_str(), static_cast<DWORD>(extra)) == 1;
}

std::string SimPrinter::String(const char* value) const {
    Registry key(Root(), keyPath_.c_str());
    DWORD size = key.GetValueSize(value);
    return size ? key.GetString(value, "", size + 1) : std::string();
}

bool SimPrinter::SetString(const char* value, const std::string& text) {
    Registry key(Root(), keyPath_.c_str(), false, KEY_ALL_ACCESS);
    return key.SetString(value, text.c_str()) == 1;
}

DWORD SimPrinter::Dword(const char* value, DWORD defaultValue) const {
    return ReadDword(Root(), keyPath_.c_str(), value, defaultValue);
}

bool SimPrinter::SetDword(const char* value, DWORD data) {
    Registry key(Root(), keyPath_.c_str(), false, KEY_ALL_ACCESS);
    return key.SetDword(value, data) == 1;
}

std::vector<std::string> SimPrinter::ValueNames() const {
    std::vector<std::string> names;
    Registry key(Root(), keyPath_.c_str());
    for (DWORD i = 0;; ++i) {
        std::string name = key.EnumValue(i);
        if (name.empty())
            break;
        names.push_back(name);
    }
    return names;
}

} // namespace simstore
