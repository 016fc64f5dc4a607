#include "support/LibraryLoad.h"

#include "support/LibraryPath.h"
#include "support/Registry.h"

#ifndef LOAD_LIBRARY_AS_IMAGE_RESOURCE
#define LOAD_LIBRARY_AS_IMAGE_RESOURCE 0x00000020
#endif

namespace {
constexpr DWORD kRegistryStringSize = 256;

std::string WithoutTrailingSeparator(std::string folder) {
    while (folder.size() > 3 && (folder.back() == '\\' || folder.back() == '/'))
        folder.pop_back();
    return folder;
}
} // namespace

std::string OwnFolder() {
    HMODULE self = nullptr;
    if (!::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                  GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              reinterpret_cast<LPCSTR>(&OwnFolder), &self))
        return {};
    char path[MAX_PATH];
    DWORD length = ::GetModuleFileNameA(self, path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return {};
    std::string text(path, length);
    size_t slash = text.find_last_of("\\/");
    if (slash == std::string::npos)
        return {};
    text.resize(slash);
    return IsAbsolutePath(text + "\\") ? text : std::string();
}

std::string DriverInstallFolder(const std::string& driverKeyPath) {
    if (driverKeyPath.empty())
        return {};
    Registry driver(HKEY_LOCAL_MACHINE, driverKeyPath.c_str());
    if (!driver.IsOpen())
        return {};
    return WithoutTrailingSeparator(driver.GetString("InstallPath", "", kRegistryStringSize));
}

std::string LibraryPathFor(const std::string& name, const std::string& folder) {
    std::string path = ResolveLibraryPath(name, folder);
    if (path.empty())
        path = ResolveLibraryPath(name, OwnFolder());
    return path;
}

UniqueModule LoadCodeLibrary(const std::string& name, const std::string& folder) {
    std::string path = LibraryPathFor(name, folder);
    if (path.empty())
        return UniqueModule();
    return UniqueModule(::LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}

UniqueModule LoadResourceLibrary(const std::string& name, const std::string& folder) {
    std::string path = LibraryPathFor(name, folder);
    if (path.empty())
        return UniqueModule();
    return UniqueModule(::LoadLibraryExA(
        path.c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE));
}
