#pragma once
#include <windows.h>
#include <string>
#include <utility>
#include <vector>

// The simulated printers and the library's bookkeeping, kept in the registry
// under HKEY_CURRENT_USER\Software\PqifSim so that every process of the Wine
// prefix (the library in a client, simprinter, the installer, tests) sees the
// same state.
namespace simstore {

constexpr const char* RootPath = "Software\\PqifSim";
constexpr const char* PrintersPath = "Software\\PqifSim\\Printers";
constexpr const char* CallsPath = "Software\\PqifSim\\Calls";
constexpr const char* OpenChannelsPath = "Software\\PqifSim\\Open";

// Value names under a printer's key.
constexpr const char* DeviceIdValue = "DeviceID";
constexpr const char* ChannelsValue = "Channels";
constexpr const char* ReplyValue = "Reply";
constexpr const char* RawDataValue = "RawData";
constexpr const char* InUseValue = "InUse";
constexpr const char* FailPrefix = "Fail.";
constexpr const char* LiePrefix = "Lie.";
// A printer with "IppUri" answers from a real IPP printer (see IppBackend.h).
constexpr const char* IppUriValue = "IppUri";
constexpr const char* IppIntervalValue = "IppInterval"; // ms between refreshes
constexpr const char* IppTimeoutValue = "IppTimeout";   // ms an exchange may take
constexpr const char* IppPolledAtValue = "IppPolledAt"; // tick count of the last refresh
constexpr const char* IppReachableValue = "IppReachable";
// A printer with "SnmpAgent" (HOST[:PORT]) answers from an SNMP agent's
// Printer MIB (see SnmpBackend.h).
constexpr const char* SnmpAgentValue = "SnmpAgent";
constexpr const char* SnmpCommunityValue = "SnmpCommunity";
constexpr const char* SnmpVersionValue = "SnmpVersion";   // 1 = v1, 2 = v2c
constexpr const char* SnmpIntervalValue = "SnmpInterval"; // ms between refreshes
constexpr const char* SnmpTimeoutValue = "SnmpTimeout";   // ms one request may wait
constexpr const char* SnmpRetriesValue = "SnmpRetries";   // resends of an unanswered request
constexpr const char* SnmpPolledAtValue = "SnmpPolledAt";
constexpr const char* SnmpReachableValue = "SnmpReachable";
// Either network backend: when the printer last answered (UTC;
// its "Reply" holds what it said then), and the last state written to its journal.
constexpr const char* LastAnswerValue = "LastAnswer"; // "YYYY-MM-DDTHH:MM:SS.mmmZ"
constexpr const char* JournalStateValue = "JournalState";

constexpr const char* DefaultModel = "Vorne Kestrel K7";

// Serialises read-modify-write steps across all processes of the prefix.
class StoreLock {
public:
    StoreLock();
    ~StoreLock();
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;

private:
    HANDLE mutex_ = nullptr;
    bool owned_ = false;
};

// Key name of a printer: the name with backslashes replaced by '/'. Empty when
// the name is null, empty or too long to be a key.
std::string PrinterKeyName(const char* name);

// The IEEE 1284 device ID that a newly added printer reports.
std::string DefaultDeviceId(const std::string& model);
// The channel list of a newly added printer (packed 8-byte entries).
std::vector<BYTE> DefaultChannels();

void CountCall(const char* entryPoint);
DWORD CallCount(const char* entryPoint);
std::vector<std::pair<std::string, DWORD>> CallCounts();
void ResetCalls();

// What KLInitialize returns; 0 when not set.
LONG InitResult();
bool SetInitResult(LONG result);
void ClearInitResult();

// A new channel handle, unique within the prefix: 1 .. 0x7FFFFFFF.
int NextChannelHandle();

std::vector<std::string> PrinterNames();

// One simulated printer. Every accessor reads the registry afresh.
class SimPrinter {
public:
    explicit SimPrinter(const char* name);

    bool IsValidName() const { return !keyName_.empty(); }
    bool Exists() const;
    const std::string& KeyName() const { return keyName_; }
    const std::string& KeyPath() const { return keyPath_; }

    // Creates the key with the default device ID and channels; false when the
    // name is invalid or the key could not be made. An existing printer keeps
    // its values except the device ID, which takes the model.
    bool Add(const std::string& model);
    bool Remove();

    std::string DeviceId() const;
    bool SetDeviceId(const std::string& text);
    std::vector<BYTE> Bytes(const char* value) const;
    bool SetBytes(const char* value, const std::string& bytes);
    bool SetBytes(const char* value, const std::vector<BYTE>& bytes);
    bool DeleteValue(const char* value);

    bool InUse() const;
    bool SetInUse(bool inUse);

    // A scripted "Fail.<entryPoint>" result; false when none is set.
    bool ScriptedResult(const char* entryPoint, LONG* result) const;
    bool SetScriptedResult(const char* entryPoint, LONG result);
    bool ClearScriptedResult(const char* entryPoint);

    // Extra bytes that "Lie.<entryPoint>" makes the entry point claim; 0 when none.
    LONG Lie(const char* entryPoint) const;
    bool SetLie(const char* entryPoint, LONG extra);

    std::string String(const char* value) const;
    bool SetString(const char* value, const std::string& text);
    DWORD Dword(const char* value, DWORD defaultValue) const;
    bool SetDword(const char* value, DWORD data);

    // All value names of the key, for display.
    std::vector<std::string> ValueNames() const;

private:
    // No root for an invalid name: an empty path would address HKEY_CURRENT_USER
    // itself, while a null root opens nothing.
    HKEY Root() const { return keyPath_.empty() ? nullptr : HKEY_CURRENT_USER; }

    std::string keyName_;
    std::string keyPath_;
};

} // namespace simstore
