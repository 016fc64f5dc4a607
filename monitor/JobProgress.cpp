#include "monitor/MonitorDlg.h"

#include <cstring>

#include "jobs/JobMonitor.h"
#include "monitor/IntegerFormat.h"
#include "monitor/StatusDisplay.h"
#include "support/DebugLog.h"

namespace {

constexpr UINT kSheetsFormat = 1700;
constexpr UINT kMinutesLeftFormat = 1702;
constexpr UINT kSecondsLeftFormat = 1703;
constexpr UINT kMediaTypeLabel = 1560;
constexpr UINT kPaperSizeLabel = 1500;
constexpr UINT kPauseCaption = 1602;
constexpr UINT kRestartCaption = 1603;
constexpr UINT kPausedIcon = 640;
constexpr int kPausedIconOffset = 32;
constexpr std::int32_t kPausedBit = 0x10;

constexpr std::int32_t kCommandPause = 1;
constexpr std::int32_t kCommandRestart = 2;
constexpr std::int32_t kCommandCancel = 3;

std::string LoadText(UINT id) {
    ResText text;
    text.Load(id);
    return text.Text();
}

} // namespace

int CMonitorDlg::HasCurrentJob() {
    return m_pJobMonitor && m_pJobMonitor->GetJobInfo(nullptr) ? 1 : 0;
}

void CMonitorDlg::ShowJobWindow() {
    m_bKeepHidden = false;
    if (!IsWindowVisible()) {
        ShowView3Topmost();
        ShowWindow(SW_SHOWNOACTIVATE);
    }
}

void CMonitorDlg::ProgressTick() {
    DebugLog("---\nProgress Timer :\n");
    if (!m_pJobMonitor)
        return;

    if (m_View == VIEW_DETAIL && HasCurrentJob())
        SwitchView(IsNotifyStatus(m_StatusNumber) ? VIEW_POPUP : VIEW_PROGRESS, FALSE);
    if (m_View == VIEW_POPUP)
        FollowJobInPopup();
    if (m_View != VIEW_PROGRESS)
        return;

    JobInfo record = {};
    if (m_pJobMonitor->GetJobInfo(&record)) {
        FollowJobInProgress(record);
    } else if (m_CurrentJob.jobId != 0 && !m_bCancelPM) {
        // The job has ended: shown complete once; the view stays as it is.
        ShowJobComplete(" Job completion (End job)\n");
        m_CurrentJob = JobInfo{};
    } else {
        AwaitNextJob();
    }
}

// The popup shows the document of the current job; a cancelled job gives way
// to the next one's progress, and the end of all jobs to the detail view.
void CMonitorDlg::FollowJobInPopup() {
    JobInfo record = {};
    const bool present = m_pJobMonitor->GetJobInfo(&record) != 0;
    if (present && record.jobId == m_CurrentJob.jobId)
        return;
    const bool cancelled = m_bCancelPopup != 0;
    if (cancelled) {
        m_bCancelPopup = false;
        ::EnableWindow(GetDlgItem(IDC_CANCEL_POPUP), TRUE);
    }
    if (!present) {
        SwitchView(VIEW_DETAIL, FALSE);
        return;
    }
    if (cancelled)
        SwitchView(VIEW_PROGRESS, FALSE);
    else
        m_DocumentPopup.SetFittedText(JobDocumentText(record).c_str());
    m_CurrentJob.jobId = record.jobId;
}

void CMonitorDlg::FollowJobInProgress(const JobInfo& record) {
    if (m_CurrentJob.jobId == 0 || m_CurrentJob.jobId == record.jobId || m_bCancelPM) {
        DebugLog(" Job ID : %d\n", static_cast<int>(record.jobId));
        DebugLog(" Job Status : %x\n", static_cast<unsigned>(record.state));
        DebugLog(" Sheet : %d/%d\n", static_cast<int>(record.value102[0]),
                 static_cast<int>(record.value102[1]));
        DebugLog(" Progress : %d/%d\n", static_cast<int>(record.value103[0]),
                 static_cast<int>(record.value103[1]));
        ShowJob(record);
        if (m_CurrentJob.jobId != record.jobId) {
            m_bCancelPM = false;
            ::EnableWindow(GetDlgItem(IDC_CANCEL_PM), TRUE);
            ::EnableWindow(GetDlgItem(IDC_PAUSE), TRUE);
        }
    } else {
        // Another job is printed now: the previous one has finished.
        ShowJobComplete(" Job completion (Next job)");
    }
    m_CurrentJob = record;
    ShowJobWindow();
}

// Draws the current job as finished: full bar, no time left.
void CMonitorDlg::ShowJobComplete(const char* logLine) {
    m_CurrentJob.has104 = 1;
    m_CurrentJob.value104 = 0;
    m_CurrentJob.value103[0] = 100;
    m_CurrentJob.value103[1] = 100;
    DebugLog("%s", logLine);
    ShowJob(m_CurrentJob);
}

// No job to show: back to the start view, or, for a window started as the
// meter, closed after the last job or hidden until the next one starts.
void CMonitorDlg::AwaitNextJob() {
    m_bCancelPM = false;
    ::EnableWindow(GetDlgItem(IDC_CANCEL_PM), TRUE);
    ::EnableWindow(GetDlgItem(IDC_PAUSE), FALSE);
    ClearJob();
    m_CurrentJob = JobInfo{};
    if (m_StartView != VIEW_PROGRESS) {
        SwitchView(m_StartView, FALSE);
    } else if (m_pJobMonitor->GetJobCount() < 1) {
        PostMessage(WM_CLOSE);
    } else {
        if (IsWindowVisible()) {
            ShowWindow(SW_HIDE);
            m_AckStatus = StatusNumberNone;
        }
        DebugLog(" Waiting start Job\n");
    }
}

void CMonitorDlg::ShowJob(const JobInfo& record) {
    const std::string document = JobDocumentText(record);
    m_DocumentPM.SetFittedText(document.c_str());

    SetDlgItemText(IDC_SHEETS, FormatIntegers(LoadText(kSheetsFormat).c_str(),
                                              {record.value102[0], record.value102[1]})
                                   .c_str());

    // Compared with what the control shows, not with the current record: at a
    // change of job the current record already is the new job.
    if (!m_bDetailsShown ||
        std::memcmp(record.values21, m_DetailsValues, sizeof record.values21) != 0) {
        std::string details = LoadText(kMediaTypeLabel) + " : " +
                              MediaTypeName(static_cast<std::int16_t>(record.values21[1])) +
                              "\r\n" + LoadText(kPaperSizeLabel) + " : " +
                              PaperSizeName(static_cast<std::int16_t>(record.values21[2])) + "\r\n";
        if (details != m_Details.GetWindowText()) {
            m_Details.SetWindowText(details);
            m_Details.HideCaret();
        }
        std::memcpy(m_DetailsValues, record.values21, sizeof m_DetailsValues);
        m_bDetailsShown = true;
    }

    std::string timeLeft;
    if (record.has104) {
        const unsigned seconds = static_cast<unsigned>(record.value104);
        const unsigned minutes = seconds / 60;
        timeLeft = minutes != 0 ? FormatIntegers(LoadText(kMinutesLeftFormat).c_str(), {minutes})
                                : FormatIntegers(LoadText(kSecondsLeftFormat).c_str(), {seconds});
    }
    SetDlgItemText(IDC_TIME_LEFT, timeLeft.c_str());

    if (record.value103[1] > 0) {
        m_Progress.SetRange(0, record.value103[1], FALSE);
        m_Progress.SetPos(record.value103[0], TRUE);
    }

    const bool paused = (record.state & kPausedBit) != 0;
    const std::string caption = LoadText(paused ? kRestartCaption : kPauseCaption);
    if (GetDlgItemText(IDC_PAUSE) != caption) {
        SetDlgItemText(IDC_PAUSE, caption.c_str());
        if (paused)
            m_Animation.SetIcon(MAKEINTRESOURCEA(kPausedIcon), kPausedIconOffset);
        else
            m_Animation.SetIcon(nullptr, 0);
        HWND pause = GetDlgItem(IDC_PAUSE);
        HWND cancel = GetDlgItem(IDC_CANCEL_PM);
        if (!::IsWindowEnabled(pause) && ::IsWindowEnabled(cancel))
            ::EnableWindow(pause, TRUE);
    }

    m_DocumentPopup.SetFittedText(document.c_str());
}

void CMonitorDlg::ClearJob() {
    m_DocumentPM.SetFittedText("");
    m_DocumentPopup.SetFittedText("");
    SetDlgItemText(IDC_SHEETS, "");
    m_Details.SetWindowText("");
    m_bDetailsShown = false;
    SetDlgItemText(IDC_TIME_LEFT, "");
    m_Progress.SetRange(0, 100, FALSE);
    m_Progress.SetPos(0, TRUE);
}

std::string CMonitorDlg::MediaTypeName(std::int16_t code) const {
    return LoadText(MediaTypeStringId(code));
}

// A click queued before the button was disabled (a double click) sends nothing more.
bool CMonitorDlg::ButtonEnabled(int id) const {
    HWND button = GetDlgItem(id);
    return button && ::IsWindowEnabled(button);
}

void CMonitorDlg::OnCancelPopup() {
    if (!ButtonEnabled(IDC_CANCEL_POPUP))
        return;
    if (m_pJobMonitor)
        m_pJobMonitor->RequestCommand(m_CurrentJob.jobId, kCommandCancel);
    m_bCancelPopup = true;
    ::EnableWindow(GetDlgItem(IDC_CANCEL_POPUP), FALSE);
}

void CMonitorDlg::OnCancelProgress() {
    if (!ButtonEnabled(IDC_CANCEL_PM))
        return;
    if (m_pJobMonitor)
        m_pJobMonitor->RequestCommand(m_CurrentJob.jobId, kCommandCancel);
    m_bCancelPM = true;
    ::EnableWindow(GetDlgItem(IDC_CANCEL_PM), FALSE);
    ::EnableWindow(GetDlgItem(IDC_PAUSE), FALSE);
}

// One command per press: the button comes back when the job's state changes its caption.
void CMonitorDlg::OnPauseRestart() {
    if (!ButtonEnabled(IDC_PAUSE))
        return;
    const bool restart = GetDlgItemText(IDC_PAUSE) == LoadText(kRestartCaption);
    if (m_pJobMonitor)
        m_pJobMonitor->RequestCommand(m_CurrentJob.jobId,
                                      restart ? kCommandRestart : kCommandPause);
    ::EnableWindow(GetDlgItem(IDC_PAUSE), FALSE);
}

LRESULT CMonitorDlg::OnAddPrintJob(LPARAM jobId) {
    if (m_pJobMonitor)
        m_pJobMonitor->AddJob(static_cast<std::int32_t>(jobId));
    DebugLog("---\nAdd Print job :\n");
    return 0;
}
