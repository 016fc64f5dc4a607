#include "ui/CompanionPaths.h"

#include <windows.h>

#include "support/WindowValues.h"
#include "framework/Handles.h"
#include "support/Registry.h"
#include "ui/CommonKeyNotice.h"

namespace {
std::string FindCompanion(const char* fileName, bool useCoreValue) {
    const std::string commonKey = CurrentCommonKeyPath();
    if (commonKey.empty())
        ShowCommonKeyNotice();
    std::string directory;
    {
        Registry common(HKEY_LOCAL_MACHINE, commonKey.c_str());
        if (common.IsOpen()) {
            if (useCoreValue) {
                std::string core = common.GetString("V_CORE", "", 256);
                if (!core.empty())
                    return core;
            }
            std::string install = common.GetString("InstallPath", "", 256);
            if (!install.empty())
                directory = install + "\\";
        }
    }
    if (directory.empty())
        directory = ".\\";
    std::string path = directory + fileName;
    WIN32_FIND_DATAA found;
    UniqueFind search(::FindFirstFileA(path.c_str(), &found));
    return search ? path : std::string();
}
} // namespace

std::string CorePath() {
    return FindCompanion(CoreModuleName, true);
}

std::string AgentPath() {
    return FindCompanion(AgentProgramName, false);
}
