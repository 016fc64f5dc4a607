#pragma once
#include "framework/CDialog.h"
#include "framework/CStatic.h"

// Shows the versions of the installed pieces of the printer software (model
// package, core module, this library, the bidirectional library, agent program),
// each as "Ver. " + version in its static text of dialog template 104. A piece whose
// version cannot be found keeps the template's text. Reads only, once, at set-up.
class VersionDialog : public CDialog {
public:
    VersionDialog();

    static constexpr UINT TemplateId = 104;
    static constexpr int ModelControl = 294;
    static constexpr int CoreControl = 290;
    static constexpr int LibraryControl = 291;
    static constexpr int KlapiControl = 292;
    static constexpr int AgentControl = 293;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;

private:
    static void ShowVersion(CStatic& control, const char* version);

    CStatic m_ModelVersion;
    CStatic m_CoreVersion;
    CStatic m_LibraryVersion;
    CStatic m_KlapiVersion;
    CStatic m_AgentVersion;
};
