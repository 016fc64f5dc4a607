// Shows the controls or the version dialog for a screenshot:
//   controls-show.exe controls|version READYFILE
// READYFILE is created once the window is drawn; the program ends after five seconds.
#include <windows.h>

#include <cstdio>
#include <string>

#include "exports/StatusLibraryApp.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/BMP256Ctrl.h"
#include "ui/FitTextCtrl.h"
#include "ui/LevelBarCtrl.h"
#include "ui/ModelIni.h"
#include "ui/VersionDialog.h"

namespace {

std::string g_ready;

void SignalReady() {
    if (FILE* f = std::fopen(g_ready.c_str(), "w"))
        std::fclose(f);
}

HWND Label(HWND parent, const char* text, int x, int y, int width) {
    HWND label = MakeChild(parent, "STATIC", SS_LEFT, x, y, width, 16, -1);
    ::SetWindowTextA(label, text);
    ::SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)),
                   FALSE);
    return label;
}

int ShowControls() {
    HWND host = MakeHostWindow(440, 250, 20, 20);
    Label(host, "Main picture (109 x 86)", 10, 8, 180);
    BMP256Ctrl mainPicture;
    mainPicture.SubclassWindow(MakeChild(host, "STATIC", 0, 10, 28, 200, 120, 210));
    mainPicture.SetBlitSize(109, 86);
    const UINT still = 504;
    mainPicture.SetAnimation(1, &still);

    Label(host, "Progress animation with icon", 200, 8, 220);
    BMP256Ctrl progressPicture;
    progressPicture.SubclassWindow(MakeChild(host, "STATIC", 0, 200, 28, 100, 100, 304));
    progressPicture.SetBlitSize(40, 30);
    progressPicture.SetIcon(MAKEINTRESOURCEA(640), 32);
    const UINT frames[] = {500, 501, 502};
    progressPicture.SetAnimation(3, frames);
    ::SendMessageA(progressPicture.m_hWnd, WM_TIMER, progressPicture.AnimationTimer(), 0);
    progressPicture.StopAnimation();

    Label(host, "Document:", 10, 130, 70);
    FitTextCtrl document;
    document.SubclassWindow(MakeChild(host, "STATIC", SS_LEFT, 80, 130, 200, 16, 300));
    ::SendMessageA(document.m_hWnd, WM_SETFONT,
                   reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    document.SetFittedText("Quarterly sales report with every regional table and chart.doc");

    Label(host, "Progress 50 of 100:", 10, 160, 120);
    LevelBarCtrl bar;
    bar.SubclassWindow(MakeChild(host, "STATIC", WS_BORDER, 130, 160, 200, 16, 305));
    bar.SetBarColor(::GetSysColor(COLOR_ACTIVECAPTION), FALSE);
    bar.SetBackColor(0xFFFFFF, FALSE);
    bar.SetRange(0, 100, FALSE);
    bar.SetPos(50, TRUE);

    Label(host, "Progress 1.5 of 2 billion:", 10, 190, 120);
    LevelBarCtrl large;
    large.SubclassWindow(MakeChild(host, "STATIC", WS_BORDER, 130, 190, 200, 16, 306));
    large.SetBarColor(::GetSysColor(COLOR_ACTIVECAPTION), FALSE);
    large.SetBackColor(0xFFFFFF, FALSE);
    large.SetRange(0, 2000000000, FALSE);
    large.SetPos(1500000000, TRUE);

    ::UpdateWindow(host);
    PumpMessages(300);
    SignalReady();
    PumpMessages(5000);
    ::DestroyWindow(host);
    return 0;
}

class ShownVersionDialog : public VersionDialog {
protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
        case WM_KICKIDLE: {
            if (!signalled) {
                signalled = true;
                SetTimer(1, 300);
            }
            return 0;
        }
        case WM_TIMER: {
            if (wParam == 1) {
                KillTimer(1);
                SignalReady();
                SetTimer(2, 5000);
            } else if (wParam == 2) {
                EndDialog(IDOK);
            }
            return 0;
        }
        }
        return VersionDialog::WindowProc(message, wParam, lParam);
    }

private:
    bool signalled = false;
};

int ShowVersion() {
    ResourceModuleScope resources;
    CommonKeyScope common("UiControlsShow");
    common.SetString("ModelID", "Vorne Kestrel K7");
    common.SetString("InstallPath", UiTestDir());
    TempDir files;
    files.Write("model.ini", "[Vorne Kestrel K7]\nVRWVER=\"1.40\"\n");
    KeyBackup profile(HKEY_LOCAL_MACHINE, ModelIni::ProfileKeyPath);
    profile.SetString("Vorne Kestrel K7", files.File("model.ini"));
    KeyBackup klapi(HKEY_LOCAL_MACHINE, "software\\VORNE\\KLAPIInfo");
    klapi.SetString("KLAPIVersion", "2.05");
    ShownVersionDialog dialog;
    return dialog.DoModal() == IDOK ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3)
        return 2;
    g_ready = argv[2];
    std::string what = argv[1];
    if (what == "controls") {
        ResourceModuleScope resources;
        return ShowControls();
    }
    if (what == "version")
        return ShowVersion();
    return 2;
}
