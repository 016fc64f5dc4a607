#include "monitor/MonitorDlg.h"

#include <algorithm>
#include <cstring>

#include "device/PortRouting.h"
#include "support/SettingsFile.h"
#include "support/ProcessValues.h"
#include "framework/ResourceModule.h"
#include "jobs/JobMonitor.h"
#include "jobs/SetKvrMapValue.h"
#include "device/KLApiBinding.h"
#include "monitor/PlaceholderClasses.h"
#include "monitor/StatusDisplay.h"
#include "status/PrinterKey.h"
#include "support/DebugLog.h"
#include "support/LibraryLoad.h"
#include "support/Registry.h"
#include "ui/VersionDialog.h"

namespace {

constexpr UINT kAboutCommand = 912;
constexpr UINT kLastVersionCommand = 927;
constexpr UINT kAboutTextId = 1131;
constexpr UINT kDriverKeyErrorText = 1223;
constexpr UINT kDriverKeyErrorCaption = 1236;
constexpr UINT kIconId = 621;
constexpr const char* kKvrDataKeyPath = "software\\VORNE\\KVR7\\KVRData";
constexpr DWORD kRegistryStringSize = 256;

const char* SetUpLine(int view) {
    switch (view) {
    case VIEW_POPUP:
        return "\n<<< Popup dialog >>>\n";
    case VIEW_DETAIL:
        return "\n<<< Detail dialog >>>\n";
    case VIEW_PROGRESS:
        return "\n<<< Progress meter dialog >>>\n";
    default:
        return "";
    }
}

} // namespace

// The launch gives each window the interval of its own resource library; a
// window made otherwise starts from the process-wide value.
CMonitorDlg::CMonitorDlg() : CDialog(TemplateId, nullptr), m_IdleInterval(IdleInterval) {}

CMonitorDlg::~CMonitorDlg() {
    // A loop ended by WM_QUIT skips OnOK/OnCancel: the channel is still closed here.
    ReleaseAll();
    if (m_hWnd && ::IsWindow(m_hWnd))
        DestroyWindow();
}

int CMonitorDlg::Run(const char* printerName, const char* portName, const char* model,
                     const char* settingsFile, void* extra) {
    m_PrinterName = printerName ? printerName : "";
    m_PortName = portName ? portName : "";
    m_Model = model ? model : "";
    m_SettingsFile = settingsFile ? settingsFile : "";
    m_pExtra = extra;
    m_bByPort = m_PrinterName.empty();

    char key[PrinterKeyPathSize] = {};
    const int found = m_bByPort ? FindPrinterKey(m_PortName.c_str(), SelectByPort, key)
                                : FindPrinterKey(m_PrinterName.c_str(), SelectByPrinter, key);
    m_TargetKey = found == 0 ? key : "";

    // Texts, common key and language are this window's own while it runs, whatever
    // windows on other threads use.
    m_Values.resourceLibrary = m_ResourceLibraryName;
    ResourceScope ownResources(m_hResource);
    WindowValuesScope ownValues(&m_Values);

    SetCurrentCommonKeyPath(GetDriverKeyPath(m_PrinterName.c_str()));
    if (m_Values.commonKeyPath.empty()) {
        ResText text;
        ResText caption;
        text.Load(kDriverKeyErrorText);
        caption.Load(kDriverKeyErrorCaption);
        ::MessageBoxA(nullptr, text.Text(), caption.Text(), MB_ICONEXCLAMATION);
        return 2;
    }

    m_JobMapName = "V_KVRS_" + DisplayName();
    std::replace(m_JobMapName.begin(), m_JobMapName.end(), '\\', '/');

    m_Channel.m_PrinterName = m_PrinterName;
    m_Channel.m_PortName = m_PortName;
    m_Channel.m_pBinding = m_pBinding;
    m_Recovery.SetPrinterName(m_PrinterName);

    // Without the ink library its control class is missing, and no dialog of
    // this template could be made: blank controls stand in for the window's life.
    PlaceholderClasses placeholders(AfxGetResourceHandle(), TemplateId);
    if (m_StartView == VIEW_PROGRESS)
        return static_cast<int>(DoModal());
    return static_cast<int>(CDialog::DoModal());
}

// The progress meter never takes the focus from the application that prints.
INT_PTR CMonitorDlg::DoModal() {
    return RunModal(SW_SHOWNOACTIVATE);
}

void CMonitorDlg::DoDataExchange(CDataExchange* dx) {
    CDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_PICTURE, m_Picture);
    DDX_Control(dx, IDC_ANIMATION, m_Animation);
    DDX_Control(dx, IDC_DOCUMENT_POPUP, m_DocumentPopup);
    DDX_Control(dx, IDC_DOCUMENT_PM, m_DocumentPM);
    DDX_Control(dx, IDC_PROGRESS, m_Progress);
    DDX_Control(dx, IDC_MESSAGE, m_Message);
    DDX_Control(dx, IDC_DETAILS, m_Details);
}

BOOL CMonitorDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_Channel.m_hWindow = m_hWnd;
    m_Recovery.SetOwner(m_hWnd);

    SetKvrMapValue(m_PrinterName.c_str(), m_PortName.c_str(),
                   static_cast<int32_t>(reinterpret_cast<INT_PTR>(m_hWnd)), 1);
    DebugLog("%s", SetUpLine(m_StartView));

    LoadPictureModule();
    ReadDebugSetting();
    m_pSound = std::make_unique<SoundTable>(m_Model.c_str());
    if (!m_pSound->IsReady())
        m_pSound.reset();
    SetUpSystemMenu();
    SetUpWindowIcon();

    m_MessageText.Load(MessageGettingStatus);
    SetMessageText(m_MessageText.Text());
    SetInitialInks();
    m_Progress.SetBarColor(::GetSysColor(COLOR_ACTIVECAPTION), FALSE);
    m_Progress.SetBackColor(RGB(255, 255, 255), FALSE);
    ClearJob();
    m_Picture.SetBlitSize(109, 86);
    SetPictureKind(m_PictureKind, 0);

    RememberLayout();
    EnterStartView();
    if (m_bStatusTimerOn)
        m_StatusTimer = SetTimer(StatusTimerId, StatusFirstDelay);
    if (m_bProgressTimerOn)
        m_ProgressTimer = SetTimer(ProgressTimerId, ProgressFirstDelay);
    return FALSE;
}

// The model's picture library, when its settings name one.
void CMonitorDlg::LoadPictureModule() {
    char pictureLibrary[SettingsStringSize] = {};
    if (SettingsGetString(m_SettingsFile.c_str(), m_Model.c_str(), "BMPDLL", pictureLibrary) != 0)
        return;
    // Only its bitmaps and icons are used: none of its code runs.
    m_PictureModule =
        LoadResourceLibrary(pictureLibrary, DriverInstallFolder(m_Values.commonKeyPath));
    if (m_PictureModule) {
        m_Picture.SetPictureModule(m_PictureModule.get());
        m_Animation.SetPictureModule(m_PictureModule.get());
    }
}

// The model's "Debug" setting: replies from the debug key, jobs from the registry.
void CMonitorDlg::ReadDebugSetting() {
    int debug = 0;
    if (SettingsGetInt(m_SettingsFile.c_str(), m_Model.c_str(), "Debug", &debug) != 0)
        debug = 0;
    m_bDebug = debug;
    if (m_pJobMonitor)
        m_pJobMonitor->SetRegistryMode(m_bDebug);
}

// An "about" item when the resources have a text for it; no sizing, no maximising.
void CMonitorDlg::SetUpSystemMenu() {
    HMENU menu = GetSystemMenu(FALSE);
    if (!menu)
        return;
    ResText about;
    about.Load(kAboutTextId);
    if (*about.Text()) {
        ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuA(menu, MF_STRING, kAboutCommand, about.Text());
    }
    ::DeleteMenu(menu, SC_SIZE, MF_BYCOMMAND);
    ::DeleteMenu(menu, SC_MAXIMIZE, MF_BYCOMMAND);
}

void CMonitorDlg::SetUpWindowIcon() {
    HINSTANCE resources = m_hResource ? m_hResource : AfxGetResourceHandle();
    // The window's own icon, destroyed with it (see BMP256Ctrl::SetIcon).
    m_WindowIcon.reset(static_cast<HICON>(
        ::LoadImageA(resources, MAKEINTRESOURCEA(kIconId), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE)));
    if (m_WindowIcon) {
        SetIcon(m_WindowIcon.get(), TRUE);
        SetIcon(m_WindowIcon.get(), FALSE);
    }
}

// Places at set-up: the popup and detail views put the message control back from these.
void CMonitorDlg::RememberLayout() {
    auto clientPlace = [this](int id, RECT* rect) {
        HWND control = GetDlgItem(id);
        if (!control)
            return;
        ::GetWindowRect(control, rect);
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(rect), 2);
    };
    clientPlace(IDC_MESSAGE, &m_TextRect);
}

// The popup starts from the last stored status and the meter hidden until a job shows.
void CMonitorDlg::EnterStartView() {
    switch (m_StartView) {
    case VIEW_POPUP:
        m_bSavePosition = true;
        LoadStoredStatus();
        SwitchView(VIEW_POPUP, FALSE);
        break;
    case VIEW_DETAIL:
        m_bSavePosition = false;
        SwitchView(VIEW_DETAIL, TRUE);
        break;
    case VIEW_PROGRESS:
        m_bSavePosition = true;
        m_bKeepHidden = true;
        SwitchView(VIEW_PROGRESS, FALSE);
        break;
    default:
        break;
    }
}

void CMonitorDlg::SetMessageText(const char* text) {
    m_LastText = text ? text : "";
    m_Message.SetWindowText(m_LastText);
    m_Message.HideCaret();
}

// Colour index per ink control, then an empty level block: the controls show nothing yet.
void CMonitorDlg::SetInitialInks() {
    for (int i = 0; i < InkCount; ++i)
        SendDlgItemMessage(InkControls[i], WM_USER, INK_SET_COLOUR, i + 1);
    LONG block[InkBlockSize] = {InkCount};
    for (int id : InkControls)
        SendDlgItemMessage(id, WM_USER, INK_SET_LEVELS, reinterpret_cast<LPARAM>(block));
}

LRESULT CMonitorDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SYSCOMMAND: {
        return OnSysCommand(wParam, lParam);
    }
    case WM_KLAPI_STATUS: {
        return OnKLAPIStatus(lParam);
    }
    case WM_MONITOR_RESERVED: {
        return 0;
    }
    case WM_ADD_PRINT_JOB: {
        return OnAddPrintJob(lParam);
    }
    case WM_SHOW_DETAIL: {
        return OnShowDetail();
    }
    case WM_TIMER: {
        return OnTimer(wParam, lParam);
    }
    case WM_MOVE: {
        OnMove();
        break;
    }
    case WM_MOVING: {
        OnMoving(reinterpret_cast<RECT*>(lParam));
        return TRUE;
    }
    case WM_SIZE: {
        OnSize(wParam);
        break;
    }
    case WM_WINDOWPOSCHANGING: {
        OnWindowPosChanging(reinterpret_cast<WINDOWPOS*>(lParam));
        break;
    }
    case WM_SETUP_RESULT: {
        return OnSetupResult(wParam, lParam);
    }
    case WM_CLOSE: {
        // The template has no cancel button for the dialog manager to press.
        OnCancel();
        return 0;
    }
    }
    return CDialog::WindowProc(message, wParam, lParam);
}

BOOL CMonitorDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    switch (LOWORD(wParam)) {
    case ID_SERVICE_CALL_ERROR: {
        OnServiceCallError();
        return TRUE;
    }
    case IDC_CANCEL_POPUP: {
        OnCancelPopup();
        return TRUE;
    }
    case IDC_CANCEL_PM: {
        OnCancelProgress();
        return TRUE;
    }
    case IDC_PAUSE: {
        OnPauseRestart();
        return TRUE;
    }
    }
    return CDialog::OnCommand(wParam, lParam);
}

BOOL CMonitorDlg::PreTranslateMessage(MSG* msg) {
    if (msg->message == WM_KEYDOWN) {
        if (msg->wParam == VK_RETURN && m_View != VIEW_DETAIL)
            return TRUE;
        if (msg->wParam == VK_ESCAPE)
            return TRUE;
    }
    return CDialog::PreTranslateMessage(msg);
}

LRESULT CMonitorDlg::OnSysCommand(WPARAM command, LPARAM lParam) {
    const UINT id = static_cast<UINT>(command);
    if (id >= kAboutCommand && id <= kLastVersionCommand) {
        VersionDialog dialog;
        dialog.DoModal();
        return 0;
    }
    // Alt+F4 must not close the window; the close box and the menu item do.
    if ((id & 0xFFF0) == SC_CLOSE && ::GetKeyState(VK_F4) < 0)
        return 0;
    return CDialog::WindowProc(WM_SYSCOMMAND, command, lParam);
}

void CMonitorDlg::OnSize(WPARAM type) {
    HMENU menu = GetSystemMenu(FALSE);
    if (!menu)
        return;
    if (type == SIZE_MINIMIZED) {
        ::EnableMenuItem(menu, SC_RESTORE, MF_BYCOMMAND | MF_ENABLED);
        ::EnableMenuItem(menu, SC_MINIMIZE, MF_BYCOMMAND | MF_GRAYED);
    } else if (type == SIZE_RESTORED) {
        ::EnableMenuItem(menu, SC_RESTORE, MF_BYCOMMAND | MF_GRAYED);
        ::EnableMenuItem(menu, SC_MINIMIZE,
                         MF_BYCOMMAND | (m_View == VIEW_PROGRESS ? MF_ENABLED : MF_GRAYED));
    }
}

void CMonitorDlg::OnOK() {
    if (!m_pJobMonitor || m_pJobMonitor->GetJobCount() <= 0) {
        ReleaseAll();
        CDialog::OnOK();
        return;
    }
    // Jobs remain: the window turns into the (hidden) progress meter instead.
    m_StartView = VIEW_PROGRESS;
    m_bSavePosition = true;
    ShowWindow(SW_HIDE);
    ClearJob();
    m_CurrentJob = JobInfo{};
    SwitchView(VIEW_PROGRESS, FALSE);
    m_AckStatus = m_StatusNumber;
}

void CMonitorDlg::OnCancel() {
    ReleaseAll();
    CDialog::OnCancel();
}

void CMonitorDlg::ReleaseAll() {
    if (m_pSound) {
        StopSound();
        m_pSound.reset();
    }
    if (m_Picture.m_hWnd)
        m_Picture.StopAnimation();
    if (m_Animation.m_hWnd)
        m_Animation.StopAnimation();
    if (m_hWnd) {
        KillTimer(StatusTimerId);
        KillTimer(ProgressTimerId);
    }
    m_StatusTimer = 0;
    m_ProgressTimer = 0;
    if (m_Channel.m_hStat != 0 && m_pBinding && m_pBinding->IsInitialized()) {
        m_pBinding->KLReceiveCancel(m_Channel.m_hStat);
        m_pBinding->KLCloseChannel(m_Channel.m_hStat);
    }
    m_Channel.m_hStat = 0;
}

void CMonitorDlg::OnServiceCallError() {
    Registry data(HKEY_CURRENT_USER, kKvrDataKeyPath);
    const std::string text = data.GetString(DisplayName().c_str(), "", kRegistryStringSize);
    if (!text.empty())
        MessageBox(text.c_str(), "Service Call Error!", MB_ICONINFORMATION);
}

LRESULT CMonitorDlg::OnShowDetail() {
    if (m_View == VIEW_POPUP) {
        m_StartView = VIEW_DETAIL;
    } else if (m_View == VIEW_PROGRESS) {
        m_StartView = VIEW_DETAIL;
        if (IsWindowVisible())
            return 0;
        m_MessageText.Load(MessageGettingStatus);
        SetMessageText(m_MessageText.Text());
        SetPictureKind(PictureKindReady, 0);
        SetInitialInks();
        m_bSavePosition = false;
        SwitchView(VIEW_DETAIL, TRUE);
    }
    return 0;
}

LRESULT CMonitorDlg::OnSetupResult(WPARAM wParam, LPARAM lParam) {
    m_Recovery.OnSetupResult(wParam, lParam);
    return 0;
}
