#include "tools/pqif/InstallationLookup.h"

#include <windows.h>
#include <winspool.h>

#include <vector>

#include "device/PortRouting.h"
#include "framework/Handles.h"
#include "support/Registry.h"
#include "ui/LanguageEntries.h"

namespace {

constexpr const char* kProfileKey = "software\\VORNE\\KVR7\\Profile";
constexpr DWORD kPathSize = MAX_PATH;
constexpr LANGID kUsEnglish = 0x0409;

bool FileExists(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<LanguageEntry> LanguageEntriesOf(const std::string& settingsFile) {
    // A section longer than this is no settings file the product writes.
    std::vector<char> block(32 * 1024);
    const DWORD got = ::GetPrivateProfileSectionA(
        "Language", block.data(), static_cast<DWORD>(block.size()), settingsFile.c_str());
    return ParseLanguageEntries(block.data(), got + 2 <= block.size() ? got + 2 : block.size());
}

std::string ResDllPath(const std::string& directory, const std::string& section,
                       const std::string& settingsFile) {
    char name[kPathSize] = {};
    ::GetPrivateProfileStringA(section.c_str(), "ResDll", "", name, sizeof name,
                               settingsFile.c_str());
    if (!*name)
        return {};
    std::string path = directory + "\\" + name;
    return FileExists(path) ? path : std::string();
}

} // namespace

std::string SettingsFileOf(const std::string& model) {
    if (model.empty())
        return {};
    Registry profile(HKEY_LOCAL_MACHINE, kProfileKey);
    return profile.GetString(model.c_str(), "", kPathSize);
}

std::string ResourceLibraryIn(const std::string& directory, const std::string& settingsFile,
                              LANGID language) {
    const std::vector<LanguageEntry> entries = LanguageEntriesOf(settingsFile);
    for (LANGID wanted : {language, kUsEnglish}) {
        const int chosen = ChooseLanguageEntry(entries, wanted);
        if (chosen < 0)
            return {};
        std::string path =
            ResDllPath(directory, entries[static_cast<size_t>(chosen)].name, settingsFile);
        if (!path.empty())
            return path;
    }
    for (const LanguageEntry& entry : entries) {
        std::string path = ResDllPath(directory, entry.name, settingsFile);
        if (!path.empty())
            return path;
    }
    return {};
}

std::string InstalledResourceLibrary(const std::string& printer, const std::string& settingsFile) {
    if (printer.empty() || settingsFile.empty())
        return {};
    const std::string driverKey = GetDriverKeyPath(printer.c_str());
    if (driverKey.empty())
        return {};
    const std::string directory =
        Registry(HKEY_LOCAL_MACHINE, driverKey.c_str()).GetString("InstallPath", "", kPathSize);
    if (directory.empty())
        return {};
    return ResourceLibraryIn(directory, settingsFile, ::GetUserDefaultLangID());
}

std::string BesideProgram(const std::string& fileName) {
    char program[kPathSize] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, program, sizeof program);
    if (length == 0 || length >= sizeof program)
        return {};
    std::string path(program, length);
    const size_t slash = path.find_last_of("\\/");
    path =
        (slash == std::string::npos ? std::string(".") : path.substr(0, slash)) + "\\" + fileName;
    return FileExists(path) ? path : std::string();
}

std::string SpoolerPortOf(const std::string& printer) {
    UniquePrinter handle;
    if (printer.empty() ||
        !::OpenPrinterA(const_cast<char*>(printer.c_str()), handle.put(), nullptr))
        return {};
    DWORD needed = 0;
    ::GetPrinterA(handle.get(), 2, nullptr, 0, &needed);
    if (needed < sizeof(PRINTER_INFO_2A))
        return {};
    std::vector<BYTE> buffer(needed);
    if (!::GetPrinterA(handle.get(), 2, buffer.data(), needed, &needed))
        return {};
    const auto* info = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
    return info->pPortName ? info->pPortName : "";
}
