#include "ui/VersionDialog.h"

#include <string>

#include "support/SettingsFile.h"
#include "support/WindowValues.h"
#include "framework/CWinApp.h"
#include "support/Registry.h"
#include "ui/CompanionPaths.h"
#include "ui/FileVersion.h"
#include "ui/ModelIni.h"

VersionDialog::VersionDialog() : CDialog(TemplateId) {}

void VersionDialog::DoDataExchange(CDataExchange* dx) {
    CDialog::DoDataExchange(dx);
    DDX_Control(dx, ModelControl, m_ModelVersion);
    DDX_Control(dx, CoreControl, m_CoreVersion);
    DDX_Control(dx, LibraryControl, m_LibraryVersion);
    DDX_Control(dx, KlapiControl, m_KlapiVersion);
    DDX_Control(dx, AgentControl, m_AgentVersion);
}

void VersionDialog::ShowVersion(CStatic& control, const char* version) {
    control.SetWindowText(std::string("Ver. ") + version);
}

BOOL VersionDialog::OnInitDialog() {
    CDialog::OnInitDialog();

    std::string iniPath, modelId;
    {
        const std::string commonKey = CurrentCommonKeyPath();
        Registry common(HKEY_LOCAL_MACHINE, commonKey.c_str());
        if (common.IsOpen())
            modelId = common.GetString("ModelID", "", 256);
    }
    if (!modelId.empty()) {
        Registry profile(HKEY_LOCAL_MACHINE, ModelIni::ProfileKeyPath);
        iniPath = profile.GetString(modelId.c_str(), "", 256);
    }
    if (!iniPath.empty()) {
        char value[SettingsStringSize] = {};
        if (SettingsGetString(iniPath.c_str(), modelId.c_str(), "VRWVER", value) == 0)
            ShowVersion(m_ModelVersion, value);
    }

    char version[ProductVersionSize];
    if (GetFileProductVersion(CorePath().c_str(), version))
        ShowVersion(m_CoreVersion, version);

    char ownPath[MAX_PATH] = {};
    DWORD length = ::GetModuleFileNameA(AfxGetInstanceHandle(), ownPath, sizeof ownPath);
    if (length > 0 && length < sizeof ownPath && GetFileProductVersion(ownPath, version))
        ShowVersion(m_LibraryVersion, version);

    {
        Registry info(HKEY_LOCAL_MACHINE, "software\\VORNE\\KLAPIInfo");
        if (info.IsOpen()) {
            std::string klapi = info.GetString("KLAPIVersion", "", 256);
            if (klapi.empty())
                klapi = info.GetString("Version", "", 256);
            if (!klapi.empty())
                ShowVersion(m_KlapiVersion, klapi.c_str());
        }
    }

    if (GetFileProductVersion(AgentPath().c_str(), version))
        ShowVersion(m_AgentVersion, version);
    return TRUE;
}
