#pragma once
// The monitor window: one modal dialog (template 102 of the resource library)
// that shows one printer in one of three views (popup alert, detail, progress
// meter) and follows the print jobs sent to it. The launch exports construct it
// on their stack, hand it the job monitor and the binding, and call Run.
//
// Its work is split by concern over several files: set-up, messages and window
// end here (MonitorDlg.cpp); views and placement (MonitorViews.cpp); the status
// timer and everything it shows (StatusRefresh.cpp); the communication error
// notice (ErrorNotice.cpp); the progress timer and the job buttons
// (JobProgress.cpp).
#include <windows.h>

#include <memory>
#include <string>

#include "device/ChannelRecovery.h"
#include "device/ChannelSelect.h"
#include "framework/CButton.h"
#include "framework/CDialog.h"
#include "framework/CEdit.h"
#include "framework/CStatic.h"
#include "framework/Handles.h"
#include "jobs/JobInfo.h"
#include "status/StatusReply.h"
#include "support/ViewType.h"
#include "support/WindowValues.h"
#include "ui/BMP256Ctrl.h"
#include "ui/FitTextCtrl.h"
#include "ui/LevelBarCtrl.h"
#include "ui/ResText.h"
#include "ui/SoundTable.h"

class JobMonitor;
class KLApiBinding;

// Window messages the monitor window answers beyond the system's.
constexpr UINT WM_KLAPI_STATUS = WM_USER + 2;     // lParam: channel handle
constexpr UINT WM_MONITOR_RESERVED = WM_USER + 1; // answered with 0
constexpr UINT WM_ADD_PRINT_JOB = WM_USER + 5;    // lParam: spooler job id
constexpr UINT WM_SHOW_DETAIL = WM_USER + 6;
constexpr UINT WM_SETUP_RESULT = WM_USER + 200; // lParam: setup tool's result bits
constexpr UINT ID_SERVICE_CALL_ERROR = 91;      // WM_COMMAND from other components

// Controls of template 102.
enum MonitorControl : int {
    IDC_PICTURE = 210,
    IDC_MESSAGE = 212,
    IDC_MARKER = 216,
    IDC_DOCUMENT_PM = 300,
    IDC_SHEETS = 301,
    IDC_TIME_LEFT = 302,
    IDC_PRINTING_LABEL = 303,
    IDC_ANIMATION = 304,
    IDC_PROGRESS = 305,
    IDC_DETAILS = 306,
    IDC_DOCUMENT_POPUP = 307,
    IDC_CANCEL_PM = 308,
    IDC_PAUSE = 309,
    IDC_CANCEL_POPUP = 310,
    IDC_INK_CAPTION = 311,
    IDC_INK_1 = 314,
    IDC_INK_2 = 321,
    IDC_INK_3 = 322,
    IDC_INK_4 = 323,
    IDC_INK_5 = 324,
    IDC_INK_6 = 325,
};

// The ink-level controls by colour index 1 to 6 (the reply's ink slots).
constexpr int InkControls[] = {IDC_INK_1, IDC_INK_2, IDC_INK_3, IDC_INK_4, IDC_INK_5, IDC_INK_6};

// Messages to the ink-level controls (WM_USER with one of these as wParam).
constexpr WPARAM INK_SET_COLOUR = 9;
constexpr WPARAM INK_SET_LEVELS = 10;
constexpr WPARAM INK_SET_WARNING = 11;
constexpr WPARAM INK_SET_EMPTY = 12;
constexpr int InkBlockSize = 14; // 32-bit values: 6, six levels, seven zeros

class CMonitorDlg : public CDialog, private RecoveryMessages {
public:
    CMonitorDlg();
    ~CMonitorDlg() override;
    CMonitorDlg(const CMonitorDlg&) = delete;
    CMonitorDlg& operator=(const CMonitorDlg&) = delete;

    static constexpr UINT TemplateId = 102;
    static constexpr UINT_PTR StatusTimerId = 8;
    static constexpr UINT_PTR ProgressTimerId = 9;
    static constexpr UINT StatusFirstDelay = 500;
    static constexpr UINT ProgressFirstDelay = 400;
    static constexpr UINT ProgressInterval = 2000;
    static constexpr UINT PrintingInterval = 1000;

    // 2 when the printer's driver key path cannot be built (nothing is shown);
    // otherwise the modal result (IDOK, IDCANCEL, -1 when no window was made).
    virtual int Run(const char* printerName, const char* portName, const char* model,
                    const char* settingsFile, void* extra);

    INT_PTR DoModal() override;
    BOOL PreTranslateMessage(MSG* msg) override;

    // Fields the launch sets before Run. The resource module (when set) is this
    // window's own for its whole run, on the thread that runs it.
    HINSTANCE m_hResource = nullptr;
    std::string m_ResourceLibraryName;
    int m_StartView = VIEW_POPUP;
    JobMonitor* m_pJobMonitor = nullptr;
    KLApiBinding* m_pBinding = nullptr;
    bool m_bStatusTimerOn = true;
    bool m_bProgressTimerOn = true;
    // Seconds between status polls while idle: the process-wide value unless
    // the launch gives the one of this window's resource library.
    int m_IdleInterval;

    // The seconds between status polls while nothing prints (string 1340).
    static int GetIdleInterval();

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Window end and outside requests (MonitorDlg.cpp).
    void ReleaseAll();
    LRESULT OnSysCommand(WPARAM command, LPARAM lParam);
    void OnServiceCallError();
    LRESULT OnShowDetail();
    LRESULT OnSetupResult(WPARAM wParam, LPARAM lParam);
    void SetInitialInks();
    void SetMessageText(const char* text);
    void LoadPictureModule();
    void ReadDebugSetting();
    void SetUpSystemMenu();
    void SetUpWindowIcon();
    void RememberLayout();
    void EnterStartView();

    // Views and placement (MonitorViews.cpp).
    void SwitchView(int view, BOOL defaultPlace);
    std::string ViewCaption(int view) const;
    void ShowViewControls(int view);
    void SetViewSystemMenu(int view);
    void EnterAlertView(int view);
    void EnterProgressView();
    SIZE GetViewSize(int view) const;
    void PlaceWindow(int view, BOOL defaultPlace);
    bool ReadStoredPosition(std::int64_t* x, std::int64_t* y) const;
    void FitMessageToView(int view);
    int ShowInkArea(BOOL show);
    void ShowView3Topmost();
    void OnMove();
    void OnMoving(RECT* rect) const;
    void OnWindowPosChanging(WINDOWPOS* pos) const;
    void OnSize(WPARAM type);
    void WriteStoredPosition(int x, int y) const;

    // Status refresh (StatusRefresh.cpp).
    LRESULT OnTimer(WPARAM timerId, LPARAM lParam);
    void StatusTick();
    int CheckWhilePrinting();
    int CheckWhileIdle();
    bool OpenStatusChannel();
    void ShowCheckFailure(int iResult);
    void FollowStatusInProgressView();
    LRESULT OnKLAPIStatus(LPARAM channel);
    int GetPrinterStatus(int fromRegistry);
    int ShowReadReply(int result, const BYTE* reply, DWORD length);
    int ShowStatus(int result, int statusNumber, std::uint32_t mask);
    int ShowSpecialStatus(DWORD length, int statusNumber);
    void SetPictureKind(int kind, std::uint32_t mask);
    void ShowInkLevels(int clear);
    int IsNotifyStatus(int statusNumber, int* soundFlag = nullptr, int* resultCode = nullptr);
    int CanAutoClose(int statusNumber);
    int LeaveAlert();
    void LoadStoredStatus();
    void PlayStatusSound(int statusNumber);
    void FollowUpReadError();
    int GetStatusErrSwitch();
    std::string StatusMessageText(unsigned messageId, std::uint32_t mask) const;

    // Communication error notice (ErrorNotice.cpp).
    void ShowErrorNotice();
    void ShowRecoveryMessage(UINT textId) override;

    // Job progress (JobProgress.cpp).
    void ProgressTick();
    void FollowJobInPopup();
    void FollowJobInProgress(const JobInfo& record);
    void ShowJobComplete(const char* logLine);
    void AwaitNextJob();
    void ShowJob(const JobInfo& record);
    void ClearJob();
    int HasCurrentJob();
    std::string MediaTypeName(std::int16_t code) const;
    std::string PaperSizeName(std::int16_t code) const;
    void OnCancelPopup();
    void OnCancelProgress();
    void OnPauseRestart();
    LRESULT OnAddPrintJob(LPARAM jobId);
    void ShowJobWindow();
    bool ButtonEnabled(int id) const;

    // Controls.
    BMP256Ctrl m_Picture;        // 210
    BMP256Ctrl m_Animation;      // 304
    FitTextCtrl m_DocumentPopup; // 307
    FitTextCtrl m_DocumentPM;    // 300
    LevelBarCtrl m_Progress;     // 305
    CEdit m_Message;             // 212
    CEdit m_Details;             // 306

    // Views and placement.
    int m_View = VIEW_NONE;
    bool m_bKeepHidden = false;
    bool m_bInkAreaShown = true;
    bool m_bSavePosition = false;
    RECT m_TextRect = {};

    // Jobs.
    JobInfo m_CurrentJob = {};
    std::uint16_t m_DetailsValues[3] = {}; // values21 of the details control 306 shows
    bool m_bDetailsShown = false;
    bool m_bCancelPopup = false;
    bool m_bCancelPM = false;
    UINT_PTR m_ProgressTimer = 0;

    // Status.
    bool m_bInTimer = false;
    bool m_bWaitingNotice = false;
    UINT_PTR m_StatusTimer = 0;
    WindowValues m_Values; // this window's common key and language section
    UniqueIcon m_WindowIcon;
    int m_StatusNumber = StatusNumberNone;
    std::uint32_t m_IndicatorMask = 0xFFFF;
    std::uint32_t m_PictureMask = 0xFFFF;
    int m_AckStatus = StatusNumberNone;
    PrinterStatus m_Reply = {};
    int m_PictureKind = 1;
    int m_ShownPictureKind = 0;
    ResText m_MessageText;
    bool m_bDebug = false;
    bool m_bPrinting = false;
    int m_SoundedItem = -1;
    std::string m_LastText;
    bool m_bModelVerified = false;
    int m_ErrorNoticeState = 0;
    int m_GetStatusErr = -1;
    std::unique_ptr<SoundTable> m_pSound;

    // The status channel (ChannelSelect fills it) and its repair.
    MonitorChannel m_Channel;
    ChannelRecovery m_Recovery{static_cast<RecoveryMessages*>(this)};

    // Arguments of Run and what follows from them.
    std::string m_TargetKey;
    bool m_bByPort = false;
    std::string m_PrinterName;
    std::string m_Model;
    std::string m_PortName;
    std::string m_SettingsFile;
    void* m_pExtra = nullptr;
    std::string m_JobMapName;
    UniqueModule m_PictureModule; // bitmaps of m_Picture and m_Animation; freed after the window

    // The printer name, or the port name when there is none.
    const std::string& DisplayName() const { return m_bByPort ? m_PortName : m_PrinterName; }
};
