#include <gtest/gtest.h>

#include <map>
#include <string>

#include "exports/StatusLibraryApp.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/CompanionPaths.h"
#include "ui/FileVersion.h"
#include "ui/ModelIni.h"
#include "ui/VersionDialog.h"

namespace {

const char* const Model = "Pqif Version Model";

// Runs the real dialog and reads its five texts once it is up.
class ReadingVersionDialog : public VersionDialog {
public:
    std::map<int, std::string> texts;

protected:
    BOOL OnInitDialog() override {
        BOOL result = VersionDialog::OnInitDialog();
        PostMessage(WM_APP);
        return result;
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
        case WM_APP: {
            for (int id : {290, 291, 292, 293, 294})
                texts[id] = GetDlgItemText(id);
            EndDialog(IDOK);
            return 0;
        }
        }
        return VersionDialog::WindowProc(message, wParam, lParam);
    }
};

class VersionFixture : public ::testing::Test {
protected:
    VersionFixture()
        : common("UiVersion"), profile(HKEY_LOCAL_MACHINE, ModelIni::ProfileKeyPath),
          klapi(HKEY_LOCAL_MACHINE, "software\\VORNE\\KLAPIInfo") {}
    void SetUp() override {
        ASSERT_TRUE(resources.module());
        common.SetString("ModelID", Model);
        common.SetString("InstallPath", UiTestDir());
        files.Write("model.ini",
                    "[Other]\nVRWVER=\"0.0\"\n[Pqif Version Model]\nVRWVER=\"3.10\"\n");
        profile.SetString(Model, files.File("model.ini"));
        klapi.Clear();
        klapi.SetString("KLAPIVersion", "");
        klapi.SetString("Version", "2.05");
    }
    std::map<int, std::string> Run() {
        ReadingVersionDialog dialog;
        EXPECT_EQ(dialog.DoModal(), IDOK);
        return dialog.texts;
    }

    ResourceModuleScope resources;
    TempDir files;
    CommonKeyScope common;
    KeyBackup profile;
    KeyBackup klapi;
};

TEST_F(VersionFixture, ShowsEveryVersionFromTheRealResources) {
    auto texts = Run();
    EXPECT_EQ(texts[294], "Ver. 3.10");
    EXPECT_EQ(texts[290], "Ver. 12.0.5") << "the first translation only";
    EXPECT_EQ(texts[291], "Ver. 7.3.1.0") << "this module's own file";
    EXPECT_EQ(texts[292], "Ver. 2.05") << "Version when KLAPIVersion is empty";
    EXPECT_EQ(texts[293], "Ver. 12.1.0 agent");
}

TEST_F(VersionFixture, MissingPiecesKeepTheTemplateText) {
    common.SetString("V_CORE", UiTestDir() + "\\NOVER.dll");
    common.SetString("ModelID", "Pqif Model Nobody Installed");
    klapi.SetString("KLAPIVersion", "3.0");
    auto texts = Run();
    EXPECT_EQ(texts[290], "Not installed") << "a file without a version resource";
    EXPECT_EQ(texts[294], "Not installed");
    EXPECT_EQ(texts[292], "Ver. 3.0");
}

TEST_F(VersionFixture, CompanionsAreLookedForInTheCurrentDirectoryWithoutInstallPath) {
    common.SetString("InstallPath", "");
    char saved[MAX_PATH] = {};
    ::GetCurrentDirectoryA(sizeof saved, saved);
    ::SetCurrentDirectoryA(UiTestDir().c_str());
    EXPECT_EQ(CorePath(), ".\\V_CORE12.DLL");
    EXPECT_EQ(AgentPath(), ".\\V_AGNT12.EXE");
    ::SetCurrentDirectoryA(files.path().c_str());
    EXPECT_EQ(CorePath(), "");
    EXPECT_EQ(AgentPath(), "");
    ::SetCurrentDirectoryA(saved);
    common.SetString("V_CORE", "C:\\nowhere\\V_CORE12.DLL");
    EXPECT_EQ(CorePath(), "C:\\nowhere\\V_CORE12.DLL") << "taken as it is";
}

TEST_F(VersionFixture, ProductVersionNeedsAVersionResource) {
    char version[ProductVersionSize] = "x";
    EXPECT_EQ(GetFileProductVersion((UiTestDir() + "\\NOVER.dll").c_str(), version), 0);
    EXPECT_STREQ(version, "");
    EXPECT_EQ(GetFileProductVersion("C:\\nowhere\\file.dll", version), 0);
    EXPECT_EQ(GetFileProductVersion((UiTestDir() + "\\V_AGNT12.EXE").c_str(), version), 1);
    EXPECT_STREQ(version, "12.1.0 agent");
}

TEST_F(VersionFixture, UnknownCommonKeyIsReportedOncePerCompanion) {
    std::string saved = CommonKeyPath;
    CommonKeyPath.clear();
    MessageBoxWatcher watcher;
    auto texts = Run();
    CommonKeyPath = saved;
    EXPECT_EQ(watcher.Boxes().size(), 2u);
    EXPECT_EQ(texts[294], "Not installed");
}

} // namespace
