// netprinter: lets the monitor kit follow a network printer by its IPP URI.
// `add` binds a printer the spooler already lists to the network bridge of the
// bidirectional library, gives its driver the installation folder and fills the
// user's printer key with the model's defaults; `remove` undoes the first two,
// and keeps the user's settings.
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "V_PQIF07.h"
#include "companions/klapi/SimStore.h"
#include "support/Registry.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

constexpr const char* kProfileKey = "software\\VORNE\\KVR7\\Profile";
constexpr const char* kDriversKey = "software\\VORNE\\KVR7\\Driver";
constexpr const char* kDriverKeyPrefix = "software\\VORNE\\KVR7\\Driver\\";
constexpr const char* kPrinterKeyPrefix = "software\\VORNE\\KVR7\\KVRData\\VRLTarget\\";
// One subkey per printer this tool added, naming its driver, so that `remove`
// and the kit's uninstall take back exactly what `add` wrote.
constexpr const char* kAddedKey = "software\\VORNE\\KVR7\\NetPrinters";
constexpr DWORD kTextSize = 256;

const char kUsage[] =
    "usage: netprinter add PRINTER URI [--model MODEL]\n"
    "       netprinter remove PRINTER\n"
    "       netprinter remove-all\n"
    "       netprinter list\n"
    "\n"
    "  add         PRINTER is the name under which the spooler lists the printer\n"
    "              (add it in Windows first); URI is its IPP address, for example\n"
    "              ipp://192.168.1.20/ipp/print, or its SNMP agent,\n"
    "              snmp://[COMMUNITY@]HOST[:PORT] (community \"public\", port 161 by\n"
    "              default). MODEL defaults to the model the printer reports; it must\n"
    "              be one the installation has settings for.\n"
    "  remove      forgets the printer; the user's monitor settings stay\n"
    "  remove-all  forgets every printer added here and the bridge's journals\n"
    "              (run by the kit's uninstall)\n"
    "\n"
    "add and remove write under HKEY_LOCAL_MACHINE: run them as an administrator.\n"
    "Exit status: 0 done, 1 failed, 2 bad arguments.\n";

int Usage(const char* problem) {
    if (problem)
        std::fprintf(stderr, "netprinter: %s\n", problem);
    std::fputs(kUsage, stderr);
    return kExitUsage;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "netprinter: %s\n", message.c_str());
    return kExitFailed;
}

std::string ProgramFolder() {
    char path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return {};
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\'));
}

// The spooler's driver name for the printer; empty when it lists no such printer.
std::string DriverOf(const std::string& printer) {
    HANDLE handle = nullptr;
    if (!::OpenPrinterA(const_cast<char*>(printer.c_str()), &handle, nullptr))
        return {};
    std::string driver;
    DWORD needed = 0;
    ::GetPrinterA(handle, 2, nullptr, 0, &needed);
    if (needed >= sizeof(PRINTER_INFO_2A)) {
        std::vector<BYTE> buffer(needed);
        if (::GetPrinterA(handle, 2, buffer.data(), needed, &needed)) {
            const auto* info = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
            driver = info->pDriverName ? info->pDriverName : "";
        }
    }
    ::ClosePrinter(handle);
    return driver;
}

// The model the printer reports through the bridge, as "MDL:" of its device ID.
// The bridge is loaded from this installation's folder, never found by search.
std::string ReportedModel(const std::string& folder, const std::string& printer,
                          std::string* problem) {
    using InitFn = int(WINAPI*)();
    using DeviceIdFn = int(WINAPI*)(int, const char*, char*, int*);
    HMODULE bridge = ::LoadLibraryA((folder + "\\KLAPI.DLL").c_str());
    if (!bridge) {
        *problem = "the network bridge KLAPI.DLL is missing from " + folder;
        return {};
    }
    auto init = reinterpret_cast<InitFn>(::GetProcAddress(bridge, "KLInitialize"));
    auto release = reinterpret_cast<InitFn>(::GetProcAddress(bridge, "KLRelease"));
    auto deviceId = reinterpret_cast<DeviceIdFn>(::GetProcAddress(bridge, "KLGetDeviceID"));
    std::string id;
    if (init && release && deviceId && init() >= 0) {
        char buffer[1024] = {};
        int size = sizeof buffer - 1;
        if (deviceId(1, printer.c_str(), buffer, &size) > 0)
            id = buffer;
        release();
    }
    ::FreeLibrary(bridge);
    if (id.empty()) {
        *problem = "the printer does not answer at its URI";
        return {};
    }
    const size_t start = id.find("MDL:");
    if (start == std::string::npos)
        return {};
    const size_t end = id.find(';', start);
    return id.substr(start + 4, end == std::string::npos ? std::string::npos : end - start - 4);
}

// snmp://[community@]host[:port] into "host[:port]" and the community. Names
// that would need quoting on a command line are refused.
bool ParseSnmpUri(const std::string& uri, std::string* agent, std::string* community) {
    const std::string scheme = "snmp://";
    if (uri.compare(0, scheme.size(), scheme) != 0)
        return false;
    std::string rest = uri.substr(scheme.size());
    if (!rest.empty() && rest.back() == '/')
        rest.pop_back();
    const size_t at = rest.rfind('@');
    *community = at == std::string::npos ? "public" : rest.substr(0, at);
    *agent = at == std::string::npos ? rest : rest.substr(at + 1);
    const auto plain = [](const std::string& text) {
        return !text.empty() && text.find_first_of(" \t\"/\\@") == std::string::npos;
    };
    return plain(*agent) && plain(*community);
}

// Runs simprinter.exe from the kit's folder with the arguments; its exit code,
// or -1 when it did not start or did not end within half a minute.
int RunSimPrinter(const std::string& folder, const std::string& arguments) {
    const std::string program = folder + "\\simprinter.exe";
    std::string line = "\"" + program + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessA(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process))
        return -1;
    DWORD code = static_cast<DWORD>(-1);
    if (::WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0)
        ::GetExitCodeProcess(process.hProcess, &code);
    else
        ::TerminateProcess(process.hProcess, static_cast<UINT>(-1));
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

std::vector<std::string> InstalledModels() {
    std::vector<std::string> models;
    Registry profile(HKEY_LOCAL_MACHINE, kProfileKey);
    for (DWORD i = 0;; ++i) {
        std::string name = profile.EnumValue(i);
        if (name.empty())
            return models;
        models.push_back(name);
    }
}

bool DeleteTree(HKEY root, const std::string& path) {
    return ::RegDeleteTreeA(root, path.c_str()) == ERROR_SUCCESS;
}

// A parent key this tool may have made, once nothing is left in it.
void DeleteIfEmpty(HKEY root, const char* path) {
    bool empty = false;
    {
        Registry key(root, path);
        empty = key.IsOpen() && key.EnumKey(0).empty() && key.EnumValue(0).empty();
    }
    if (empty)
        DeleteTree(root, path);
}

std::vector<std::string> AddedPrinters();

std::string RecordPath(const std::string& printer) {
    return std::string(kAddedKey) + "\\" + printer;
}

// Takes back what `add` wrote for the printer: the bridge's entry, and the
// driver key when `add` claimed it and no other printer added here shares the
// driver. The user's printer key stays.
bool Forget(const std::string& printer) {
    const std::string record = RecordPath(printer);
    std::string driver;
    {
        Registry added(HKEY_LOCAL_MACHINE, record.c_str());
        if (!added.IsOpen())
            return false;
        driver = added.GetString("Driver", "", kTextSize);
    }
    simstore::SimPrinter(printer.c_str()).Remove();
    DeleteTree(HKEY_LOCAL_MACHINE, record);
    bool shared = false;
    for (const std::string& other : AddedPrinters()) {
        Registry added(HKEY_LOCAL_MACHINE, RecordPath(other).c_str());
        shared = shared ||
                 _stricmp(added.GetString("Driver", "", kTextSize).c_str(), driver.c_str()) == 0;
    }
    if (!driver.empty() && !shared)
        DeleteTree(HKEY_LOCAL_MACHINE, kDriverKeyPrefix + driver);
    DeleteIfEmpty(HKEY_LOCAL_MACHINE, kAddedKey);
    DeleteIfEmpty(HKEY_LOCAL_MACHINE, kDriversKey);
    return true;
}

std::vector<std::string> AddedPrinters() {
    std::vector<std::string> printers;
    Registry added(HKEY_LOCAL_MACHINE, kAddedKey);
    for (DWORD i = 0;; ++i) {
        std::string name = added.EnumKey(i);
        if (name.empty())
            return printers;
        printers.push_back(name);
    }
}

struct AddRequest {
    std::string printer;
    std::string uri;
    std::string model;
};

// The driver key names this installation; a key another installation made
// (the maker's own driver) is not taken over.
std::string ClaimDriverKey(const std::string& driver, const std::string& folder,
                           const std::string& model) {
    const std::string path = kDriverKeyPrefix + driver;
    Registry key(HKEY_LOCAL_MACHINE, path.c_str(), true);
    if (!key.IsOpen())
        return "cannot write " + path + " (run as an administrator)";
    const std::string current = key.GetString("InstallPath", "", MAX_PATH);
    if (!current.empty() && _stricmp(current.c_str(), folder.c_str()) != 0)
        return "the driver \"" + driver + "\" is already installed from " + current;
    if (!key.SetString("InstallPath", folder.c_str()) || !key.SetString("ModelID", model.c_str()))
        return "cannot write " + path;
    return {};
}

// The bridge's entry for the printer and the record of what `add` wrote; a
// problem or "". The SNMP side of the bridge is set up by its own tool, which
// knows its options.
std::string BindBridge(const AddRequest& request, const std::string& folder) {
    const bool ipp = request.uri.compare(0, 6, "ipp://") == 0;
    std::string agent;
    std::string community;
    if (!ipp && !ParseSnmpUri(request.uri, &agent, &community))
        return "URI must be ipp://host[:port][/path] or snmp://[community@]host[:port]";
    simstore::SimPrinter bridge(request.printer.c_str());
    if (!bridge.IsValidName())
        return "\"" + request.printer + "\" cannot be a printer name";
    bool bound = bridge.Add(request.model.empty() ? simstore::DefaultModel : request.model);
    if (bound && ipp)
        bound = bridge.SetString(simstore::IppUriValue, request.uri) &&
                bridge.SetDword(simstore::IppPolledAtValue, 0);
    {
        Registry added(HKEY_LOCAL_MACHINE, RecordPath(request.printer).c_str(), true);
        if (!bound || !added.SetString("Uri", request.uri.c_str()))
            return "cannot record the printer (run as an administrator)";
    }
    if (!ipp && RunSimPrinter(folder, "snmp \"" + request.printer + "\" " + agent +
                                          " --community " + community) != 0)
        return "the network bridge in " + folder + " does not take this SNMP agent";
    return {};
}

// The model (given, or as the printer reports it) and its installed settings
// file; a problem or "".
std::string FindSettings(const AddRequest& request, const std::string& folder, std::string* model,
                         std::string* settingsFile) {
    std::string problem;
    *model = request.model;
    if (model->empty())
        *model = ReportedModel(folder, request.printer, &problem);
    if (!model->empty())
        *settingsFile =
            Registry(HKEY_LOCAL_MACHINE, kProfileKey).GetString(model->c_str(), "", MAX_PATH);
    if (!settingsFile->empty())
        return {};
    if (!problem.empty())
        return problem;
    std::string known;
    for (const std::string& name : InstalledModels())
        known += (known.empty() ? "" : ", ") + ("\"" + name + "\"");
    return "no settings are installed for the model \"" + *model +
           "\"; installed: " + (known.empty() ? "none" : known) + " (give --model)";
}

// The user's printer key: made when missing, then given the model's defaults
// (an existing "Notify" subkey, the user's choices, is left alone).
std::string FillPrinterKey(const std::string& printer, const std::string& model,
                           const std::string& settingsFile) {
    const std::string printerKey = kPrinterKeyPrefix + printer;
    {
        Registry key(HKEY_CURRENT_USER, printerKey.c_str(), true);
        if (!key.IsOpen() || !key.SetString("Name", printer.c_str()))
            return "cannot write HKEY_CURRENT_USER\\" + printerKey;
    }
    const LONG defaults =
        SetRegDefaultValue(settingsFile.c_str(), model.c_str(), printerKey.c_str());
    if (defaults != PQIF_DEFAULTS_WRITTEN && defaults != PQIF_DEFAULTS_NOTIFY_EXISTS)
        return "the model's defaults were not all written (SetRegDefaultValue " +
               std::to_string(defaults) + ")";
    return {};
}

// The bridge's journal per printer (the folder Journal beside it) goes with
// the kit: its files and then the folder, when nothing else is in it.
void RemoveJournals(const std::string& folder) {
    for (const char* pattern : {"\\*.jsonl", "\\*.jsonl.new"}) {
        WIN32_FIND_DATAA found = {};
        HANDLE search = ::FindFirstFileA((folder + pattern).c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            continue;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                ::DeleteFileA((folder + "\\" + found.cFileName).c_str());
        } while (::FindNextFileA(search, &found));
        ::FindClose(search);
    }
    ::RemoveDirectoryA(folder.c_str());
}

int Add(const AddRequest& request) {
    const std::string folder = ProgramFolder();
    const std::string driver = DriverOf(request.printer);
    if (driver.empty())
        return Fail("the spooler lists no printer \"" + request.printer +
                    "\": add it in Windows first (Add a printer, by its IP address or URL)");
    std::string model;
    std::string settingsFile;
    std::string problem = BindBridge(request, folder);
    if (problem.empty())
        problem = FindSettings(request, folder, &model, &settingsFile);
    if (problem.empty())
        problem = ClaimDriverKey(driver, folder, model);
    // Only a claimed driver key is named in the record, so that forgetting the
    // printer never deletes another installation's key.
    if (problem.empty() &&
        !Registry(HKEY_LOCAL_MACHINE, RecordPath(request.printer).c_str(), false, KEY_ALL_ACCESS)
             .SetString("Driver", driver.c_str()))
        problem = "cannot record the printer's driver";
    if (!problem.empty()) {
        Forget(request.printer);
        return Fail(problem);
    }
    problem = FillPrinterKey(request.printer, model, settingsFile);
    if (!problem.empty())
        return Fail(problem);
    std::printf("netprinter: %s (%s, driver \"%s\") follows %s\n", request.printer.c_str(),
                model.c_str(), driver.c_str(), request.uri.c_str());
    std::printf("netprinter: open its monitor with: pqif detail \"%s\"\n", request.printer.c_str());
    return kExitOk;
}

} // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "add") {
        AddRequest request;
        std::vector<std::string> positional;
        for (int i = 2; i < argc; ++i) {
            if (std::strcmp(argv[i], "--model") == 0 && i + 1 < argc)
                request.model = argv[++i];
            else if (argv[i][0] == '-' && argv[i][1] == '-')
                return Usage("add takes PRINTER URI [--model MODEL]");
            else
                positional.emplace_back(argv[i]);
        }
        if (positional.size() != 2 || positional[0].empty())
            return Usage("add takes PRINTER URI [--model MODEL]");
        request.printer = positional[0];
        request.uri = positional[1];
        return Add(request);
    }
    if (command == "remove" && argc == 3) {
        if (!Forget(argv[2]))
            return Fail(std::string("\"") + argv[2] + "\" was not added here");
        std::printf("netprinter: %s removed; its monitor settings stay\n", argv[2]);
        return kExitOk;
    }
    if (command == "remove-all" && argc == 2) {
        for (const std::string& printer : AddedPrinters())
            Forget(printer);
        // With no printer left, the bridge's bookkeeping (call counts, channel
        // handles) has nobody to serve.
        if (simstore::PrinterNames().empty())
            DeleteTree(HKEY_CURRENT_USER, simstore::RootPath);
        RemoveJournals(ProgramFolder() + "\\Journal");
        return kExitOk;
    }
    if (command == "list" && argc == 2) {
        for (const std::string& printer : AddedPrinters()) {
            Registry added(HKEY_LOCAL_MACHINE, RecordPath(printer).c_str());
            std::printf("%s\t%s\t%s\n", printer.c_str(),
                        added.GetString("Uri", "", kTextSize).c_str(),
                        added.GetString("Driver", "", kTextSize).c_str());
        }
        return kExitOk;
    }
    return Usage(argc > 1 ? "unknown command" : nullptr);
}
