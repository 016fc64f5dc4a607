#include "monitor/MonitorDlg.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "device/ChanSel.h"
#include "device/KLApiBinding.h"
#include "device/SizedRead.h"
#include "support/SettingsFile.h"
#include "framework/Handles.h"
#include "jobs/JobMonitor.h"
#include "monitor/StatusDisplay.h"
#include "status/NotifyLookup.h"
#include "status/PrinterKey.h"
#include "status/StatusMap.h"
#include "support/DebugLog.h"
#include "support/Registry.h"

namespace {

constexpr UINT kIdleIntervalId = 1340;
constexpr DWORD kRegistryStringSize = 256;
constexpr std::uint16_t kSlowChannelBit = 0x8000;
constexpr int kMaxInkLevel = 100;
static_assert(sizeof InkControls / sizeof InkControls[0] == InkCount, "one control per ink slot");

bool ReadsTextReplies(int channel) {
    return channel == ChannelIdPreferred || channel == ChannelIdAlternate ||
           channel == ChannelIdStatus;
}

// A zero-filled movable block, locked for as long as this lives.
struct LockedBlock {
    explicit LockedBlock(SIZE_T size)
        : memory(::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size)), locked(memory.get()) {}
    explicit operator bool() const { return locked.data() != nullptr; }
    unsigned char* data() const { return static_cast<unsigned char*>(locked.data()); }

    UniqueGlobal memory;
    LockedGlobal locked; // unlocked before the block is freed
};

bool JobMappingExists(const std::string& name) {
    // Only its existence counts: the handle is closed at once.
    UniqueKernelHandle mapping(::OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name.c_str()));
    return static_cast<bool>(mapping);
}

// A status reply as read from one source: result 1 with the reply in the
// block, 0 for nothing to show yet, below 0 for a failed read.
struct ReplyRead {
    int result = 0;
    std::optional<LockedBlock> block;
    DWORD length = 0;

    const BYTE* Data() const { return block && *block ? block->data() : nullptr; }
    const char* Text() const { return Data() ? reinterpret_cast<const char*>(Data()) : ""; }
};

// The fixed reply of the debug key. False when its block could not be allocated.
bool ReadDebugReply(ReplyRead& read) {
    Registry debug(HKEY_LOCAL_MACHINE, DebugReplyKeyPath);
    const std::string text = debug.GetString("Status", "", kRegistryStringSize);
    if (text.empty()) {
        read.result = -1;
        return true;
    }
    read.block.emplace(text.size());
    if (!*read.block)
        return false;
    std::memcpy(read.block->data(), text.data(), text.size());
    read.length = static_cast<DWORD>(text.size());
    read.result = 1;
    return true;
}

// The reply the status query stored in the printer's key while it prints.
void ReadStoredReply(const char* printer, const char* port, ReplyRead& read) {
    DWORD size = 0;
    read.result = ReadRawStatus(printer, port, nullptr, 0, &size);
    if (read.result == 1) {
        read.block.emplace(size);
        read.result =
            *read.block ? ReadRawStatus(printer, port, read.block->data(), size, &read.length) : -1;
    }
    DebugLog("\n Printer status (Registry) : %.*s\n", static_cast<int>(read.length), read.Text());
}

// The printer's reply on the open status channel; a positive size probe also
// means data is waiting. False when its block could not be allocated.
bool ReadDeviceReply(KLApiBinding* binding, int channel, ReplyRead& read) {
    read.result = -1;
    if (binding && binding->IsInitialized()) {
        const SizedRead probed = ReadWithSizeProbe(
            [&](void* buffer, int* size) { return binding->KLGetStatus(channel, buffer, size); },
            read.block, ProbeReads::OnTooSmallOrData);
        if (probed.stage == SizedRead::NoBlock)
            return false;
        if (probed.stage == SizedRead::ReadDone)
            read.result = probed.read == 0 ? 0 : (probed.read < 0 ? -1 : 1);
        else
            read.result = probed.probe == 0 ? 0 : -1;
        read.length = probed.length;
    }
    DebugLog("\n Printer status (KLAPI) : %.*s\n", static_cast<int>(read.length), read.Text());
    return true;
}

void EnableControl(HWND dialog, int id, bool on) {
    if (HWND control = ::GetDlgItem(dialog, id))
        ::EnableWindow(control, on ? TRUE : FALSE);
}

void DisableInkArea(HWND dialog) {
    EnableControl(dialog, IDC_INK_CAPTION, false);
    for (int id : InkControls)
        EnableControl(dialog, id, false);
}

// The controls draw levels of 0 to 100.
void ClampInkLevel(PrinterStatus& reply, int ink) {
    if (reply.inkLevel[ink] != InkLevelUnknown && reply.inkLevel[ink] > kMaxInkLevel)
        reply.inkLevel[ink] = kMaxInkLevel;
}

void PutInkLevels(PrinterStatus& reply, LONG* block) {
    for (int ink = 0; ink < InkCount; ++ink) {
        ClampInkLevel(reply, ink);
        block[1 + ink] = reply.inkLevel[ink];
    }
}

// The first ink has a control of its own; the other five are shown only together.
void ShowReportedLevels(HWND dialog, PrinterStatus& reply) {
    LONG block[InkBlockSize] = {InkCount};
    const auto blockParam = reinterpret_cast<LPARAM>(block);
    EnableControl(dialog, IDC_INK_CAPTION, true);
    if (reply.inkLevel[0] == InkLevelUnknown) {
        EnableControl(dialog, IDC_INK_1, false);
    } else {
        ClampInkLevel(reply, 0);
        block[1] = reply.inkLevel[0];
        EnableControl(dialog, IDC_INK_1, true);
        ::SendDlgItemMessageA(dialog, IDC_INK_1, WM_USER, INK_SET_LEVELS, blockParam);
    }
    bool known = true;
    for (int ink = 1; ink < InkCount; ++ink)
        known = known && reply.inkLevel[ink] != InkLevelUnknown;
    if (known)
        PutInkLevels(reply, block);
    for (int i = 1; i < InkCount; ++i) {
        EnableControl(dialog, InkControls[i], known);
        if (known)
            ::SendDlgItemMessageA(dialog, InkControls[i], WM_USER, INK_SET_LEVELS, blockParam);
    }
}

void MarkInkWarnings(HWND dialog, PrinterStatus& reply, std::uint32_t mask) {
    LONG block[InkBlockSize] = {InkCount};
    PutInkLevels(reply, block);
    for (int ink = 0; ink < InkCount; ++ink) {
        WPARAM mark = 0;
        if (mask & (AllInksBit | (0x0040u << ink)))
            mark = INK_SET_EMPTY;
        else if (mask & (0x0001u << ink))
            mark = INK_SET_WARNING;
        if (mark)
            ::SendDlgItemMessageA(dialog, InkControls[ink], WM_USER, mark,
                                  reinterpret_cast<LPARAM>(block));
    }
}

} // namespace

int CMonitorDlg::GetIdleInterval() {
    ResText text;
    text.Load(kIdleIntervalId);
    return ParseIdleInterval(text.Text());
}

LRESULT CMonitorDlg::OnTimer(WPARAM timerId, LPARAM lParam) {
    const bool status = timerId == StatusTimerId && m_StatusTimer != 0;
    const bool progress = timerId == ProgressTimerId && m_ProgressTimer != 0;
    if (!status && !progress)
        return CDialog::WindowProc(WM_TIMER, timerId, lParam);
    // A tick that arrives while another runs (inside a message box) is dropped.
    if (m_bInTimer)
        return 0;
    m_bInTimer = true;
    if (progress) {
        KillTimer(ProgressTimerId);
        m_ProgressTimer = 0;
        ProgressTick();
        if (m_hWnd && ContinueModal())
            m_ProgressTimer = SetTimer(ProgressTimerId, ProgressInterval);
    } else {
        KillTimer(StatusTimerId);
        m_StatusTimer = 0;
        StatusTick();
        const UINT seconds = m_bPrinting ? 1u : static_cast<UINT>(std::max(m_IdleInterval, 1));
        if (m_hWnd && ContinueModal())
            m_StatusTimer =
                SetTimer(StatusTimerId, m_bPrinting ? PrintingInterval : seconds * 1000);
    }
    m_bInTimer = false;
    return 0;
}

void CMonitorDlg::StatusTick() {
    if (m_Recovery.AwaitsTool())
        return;

    int iResult = JobMappingExists(m_JobMapName) ? CheckWhilePrinting() : CheckWhileIdle();
    DebugLog(m_bPrinting ? "---\nStatus Timer : Printing (%d)\n"
                         : "---\nStatus Timer : Idling (%d)\n",
             iResult);

    // Printing to a file: no ink area and no status.
    if (m_View == VIEW_PROGRESS && m_PortName.compare(0, 5, "FILE:") == 0) {
        if (ShowInkArea(FALSE))
            PlaceWindow(VIEW_PROGRESS, FALSE);
        return;
    }

    if (m_Channel.m_StatChannel == 0 && iResult >= 0 && !OpenStatusChannel())
        iResult = -1;
    if (iResult == -1)
        FollowUpReadError();
    DebugLog(" (iResult : %d)\n", iResult);

    if (iResult < 0)
        ShowCheckFailure(iResult);
    else if (iResult == 1 && m_Channel.m_StatChannel != 0 && (!m_bWaitingNotice || m_bPrinting))
        GetPrinterStatus(m_bPrinting);
    DebugLog(" Total Status No. : %d\n", m_StatusNumber);

    if (m_View == VIEW_PROGRESS)
        FollowStatusInProgressView();
    if (CanAutoClose(m_StatusNumber) && LeaveAlert())
        PostMessage(WM_CLOSE);
}

// While the printing side sends a job, its communication state tells whether
// the printer can be read (1: usable).
int CMonitorDlg::CheckWhilePrinting() {
    m_bPrinting = true;
    switch (ReadComStatus(m_PrinterName.c_str(), m_PortName.c_str())) {
    case 0:
        return -1;
    case 1:
        m_bModelVerified = true;
        WriteComStatus(m_PrinterName.c_str(), m_PortName.c_str(), 2);
        return 1;
    case 3:
        return -2;
    case 4:
        return -3;
    default:
        return 0;
    }
}

// Between jobs the device itself is asked for its model, until it matched once.
int CMonitorDlg::CheckWhileIdle() {
    const char* printer = m_PrinterName.c_str();
    const char* port = m_PortName.c_str();
    if (m_bDebug)
        m_bModelVerified = true;
    WriteComStatus(printer, port, 2);
    m_bPrinting = false;
    if (m_bModelVerified)
        return 1;
    const std::string model = GetModelID(m_Channel, printer, port);
    if (model.empty())
        return -1;
    if (model != m_Model)
        return -2;
    m_bModelVerified = true;
    return 1;
}

// False when no status channel could be opened; the next tick tries again.
bool CMonitorDlg::OpenStatusChannel() {
    if (m_bDebug) {
        m_bWaitingNotice = false;
        m_Channel.m_StatChannel = ChannelIdPreferred; // no device channel is opened
        return true;
    }
    if (ChannelSelect(m_Channel) < 1)
        return false;
    if (m_Channel.m_FirstEntryFlags & kSlowChannelBit)
        m_IdleInterval *= 3;
    return true;
}

void CMonitorDlg::ShowCheckFailure(int iResult) {
    m_StatusNumber =
        iResult == -2 ? StatusNumberOtherModel : (iResult == -3 ? StatusNumberUnreadable : 0);
    ShowStatus(0, m_StatusNumber, m_IndicatorMask);
    ShowInkLevels(1);
}

// The meter shows the ink area while there is something to say, and gives way
// to an alert the user has not yet dismissed.
void CMonitorDlg::FollowStatusInProgressView() {
    const int notify = IsNotifyStatus(m_StatusNumber);
    if (ShowInkArea(notify || m_StatusNumber != 0))
        PlaceWindow(VIEW_PROGRESS, FALSE);
    if (!notify)
        return;
    if (HasCurrentJob())
        SwitchView(VIEW_POPUP, FALSE);
    else if (m_StatusNumber != m_AckStatus)
        SwitchView(VIEW_DETAIL, FALSE);
}

LRESULT CMonitorDlg::OnKLAPIStatus(LPARAM channel) {
    // Only the library's notice for the channel this window opened counts.
    if (m_Channel.m_hStat == 0 || channel != m_Channel.m_hStat)
        return 0;
    DebugLog("---\nOnKLAPIStatus : ");
    GetPrinterStatus(0);
    if (CanAutoClose(m_StatusNumber) && LeaveAlert())
        PostMessage(WM_CLOSE);
    return 0;
}

void CMonitorDlg::FollowUpReadError() {
    if (m_ErrorNoticeState == 0 && m_View != VIEW_PROGRESS) {
        m_ErrorNoticeState = 1;
        ShowErrorNotice();
    }
    if (m_Recovery.State() == ChannelRecovery::NotTried)
        m_Recovery.RecoverChannel(static_cast<ViewType>(m_View));
}

// The model's "EnableGetStatusErr" counts only once the printer has given a good
// reply with a status: until then a failure shows status 0.
int CMonitorDlg::GetStatusErrSwitch() {
    if (m_GetStatusErr < 0) {
        int value = 0;
        if (SettingsGetInt(m_SettingsFile.c_str(), m_Model.c_str(), "EnableGetStatusErr", &value) !=
            0)
            value = 0;
        m_GetStatusErr = value;
    }
    return m_GetStatusErr;
}

int CMonitorDlg::GetPrinterStatus(int fromRegistry) {
    const int channel = m_Channel.m_StatChannel;
    int result = 0;
    if (ReadsTextReplies(channel) || fromRegistry) {
        ReplyRead read;
        bool allocated = true;
        if (m_bDebug)
            allocated = ReadDebugReply(read);
        else if (fromRegistry)
            ReadStoredReply(m_PrinterName.c_str(), m_PortName.c_str(), read);
        else
            allocated = ReadDeviceReply(m_pBinding, m_Channel.m_hStat, read);
        if (!allocated)
            return 0;
        if (m_bDebug && read.result < 0) {
            m_Reply = PrinterStatus{};
            m_PictureKind = PictureKindNoReply;
            m_StatusNumber = 0;
        }
        if (read.result == 0 && !m_bDebug) {
            if (!fromRegistry)
                m_bWaitingNotice = true; // the library tells with message 1026 when there is data
            return 0;
        }
        result = ShowReadReply(read.result, read.Data(), read.length);
    } else if (channel == ChannelIdRecord) {
        // The other reply layout: nothing this window can show; counts as a failed read.
        m_StatusNumber = StatusNumberRecordReply;
        result = -1;
    }

    ShowInkLevels(0);
    if (result < 0)
        FollowUpReadError();
    return 1;
}

// Decodes a reply that was read (result 0 or more) and shows its status, or
// shows the failed read. Returns the result, below 0 for a rejected reply.
int CMonitorDlg::ShowReadReply(int result, const BYTE* reply, DWORD length) {
    if (result >= 0) {
        m_Reply = PrinterStatus{};
        if (ParseStatusReply(reply, length, &m_Reply) != 0) {
            // A rejected reply is never shown as a state: it counts as a failed read.
            m_Reply = PrinterStatus{};
            result = -1;
        }
    }
    m_bWaitingNotice = false;
    if (result >= 0) {
        m_StatusNumber = StatusNumber(m_Reply);
        if (m_StatusNumber != 0)
            GetStatusErrSwitch();
    } else {
        m_StatusNumber = m_GetStatusErr > 0 ? StatusNumberUnreadable : 0;
    }
    m_IndicatorMask = IndicatorMask(m_Reply, m_StatusNumber);
    DebugLog(" -> Status No. : %d\n", m_StatusNumber);
    ShowStatus(result, m_StatusNumber, m_IndicatorMask);
    if (result >= 0)
        m_ErrorNoticeState = 2;
    return result;
}

std::string CMonitorDlg::StatusMessageText(unsigned messageId, std::uint32_t mask) const {
    bool alone = false;
    const std::vector<int> inks = InkLinesFor(messageId, mask, &alone);
    ResText text;
    text.Load(alone ? MessageInkOutAll : messageId);
    std::string composed = text.Text();
    for (int ink : inks) {
        ResText name;
        name.Load(FirstInkNameId + static_cast<unsigned>(ink));
        composed += name.Text();
    }
    return composed;
}

int CMonitorDlg::ShowStatus(int result, int statusNumber, std::uint32_t mask) {
    m_bWaitingNotice = false;
    StatusDisplay display;
    if (result < 0 || statusNumber == 0) {
        if (m_GetStatusErr > 0) {
            statusNumber = StatusNumberUnreadable;
            display = {MessageUnreadable, PictureKindUnreadable};
        } else {
            statusNumber = 0;
            display = {MessageNoReply, PictureKindNoReply};
        }
    } else {
        display = StatusDisplayFor(statusNumber);
    }
    m_StatusNumber = statusNumber;
    m_PictureKind = display.pictureKind;

    std::string text = StatusMessageText(display.messageId, mask);
    if (text.empty() || text == " ") {
        ResText fallback;
        fallback.Load(MessageEmptyText);
        text = fallback.Text();
    }
    if (text != m_LastText) {
        m_MessageText.Assign(text);
        SetMessageText(text.c_str());
    }
    SetPictureKind(display.pictureKind, mask);
    PlayStatusSound(statusNumber);
    return 1;
}

int CMonitorDlg::ShowSpecialStatus(DWORD, int statusNumber) {
    if (statusNumber != StatusNumberRecordReply)
        return 0;
    m_bWaitingNotice = false;
    m_MessageText.Load(m_GetStatusErr < 1 ? MessageUnreadable : MessageRecordReply);
    if (m_LastText != m_MessageText.Text())
        SetMessageText(m_MessageText.Text());
    m_PictureKind = PictureKindNoReply;
    SetPictureKind(PictureKindNoReply, 0);
    PlayStatusSound(statusNumber);
    return 1;
}

// Sounds play while printing, once per change of result code.
void CMonitorDlg::PlayStatusSound(int statusNumber) {
    if (!m_bPrinting || !m_pSound) {
        m_SoundedItem = -1;
        return;
    }
    int sound = 0;
    int resultCode = 0;
    IsNotifyStatus(statusNumber, &sound, &resultCode);
    if (resultCode != m_SoundedItem) {
        if (sound)
            m_pSound->Play(resultCode);
        m_SoundedItem = resultCode;
    }
}

void CMonitorDlg::SetPictureKind(int kind, std::uint32_t mask) {
    const std::vector<unsigned> ids = PictureIdsForKind(kind, mask);
    if (IsInkPictureKind(kind) && mask != m_PictureMask) {
        m_PictureMask = mask;
        m_ShownPictureKind = -1;
    }
    if (!ids.empty() && kind != m_ShownPictureKind && m_Picture.m_hWnd) {
        std::vector<UINT> frames(ids.begin(), ids.end());
        m_Picture.SetAnimation(static_cast<UINT>(frames.size()), frames.data());
        m_ShownPictureKind = kind;
    }
}

void CMonitorDlg::ShowInkLevels(int clear) {
    if (m_StatusNumber == StatusNumberNone)
        return;
    if (m_StatusNumber == 0 || clear) {
        DisableInkArea(m_hWnd);
        return;
    }
    if (ReadsTextReplies(m_Channel.m_StatChannel) && m_Reply.inkCount == InkCount)
        ShowReportedLevels(m_hWnd, m_Reply);
    else
        DisableInkArea(m_hWnd);
    if (m_IndicatorMask != 0)
        MarkInkWarnings(m_hWnd, m_Reply, m_IndicatorMask);
}

int CMonitorDlg::IsNotifyStatus(int statusNumber, int* soundFlag, int* resultCode) {
    if (statusNumber == StatusNumberNone)
        return 0;
    int result = 0;
    int item = 0;
    MapStatusNumber(statusNumber, &result, &item);
    LONG sound = 0;
    LONG notify = 0;
    NotifyLookup(m_PrinterName.c_str(), m_PortName.c_str(), item, &sound, &notify, m_Model.c_str());
    if (soundFlag)
        *soundFlag = static_cast<int>(sound);
    if (resultCode)
        *resultCode = result;
    return static_cast<int>(notify);
}

int CMonitorDlg::CanAutoClose(int statusNumber) {
    if (statusNumber == StatusNumberNone)
        return 0;
    const bool alertView = m_StartView == VIEW_POPUP || m_View == VIEW_POPUP ||
                           (m_View == VIEW_DETAIL && m_StartView == VIEW_PROGRESS);
    if (!alertView)
        return 0;
    return IsNotifyStatus(statusNumber) == 0 ? 1 : 0;
}

int CMonitorDlg::LeaveAlert() {
    if (!m_pJobMonitor || m_pJobMonitor->GetJobCount() <= 0)
        return 1;
    JobInfo record = {};
    if (m_pJobMonitor->GetJobInfo(&record)) {
        ShowJob(record);
        m_bKeepHidden = false;
        ShowWindow(SW_SHOWNOACTIVATE);
        m_CurrentJob = record;
    } else {
        ShowWindow(SW_HIDE);
        ClearJob();
        m_CurrentJob = JobInfo{};
        m_AckStatus = StatusNumberNone;
    }
    SwitchView(VIEW_PROGRESS, FALSE);
    return 0;
}

void CMonitorDlg::LoadStoredStatus() {
    std::vector<BYTE> reply;
    bool haveReply = false;
    {
        Registry target(HKEY_CURRENT_USER, m_TargetKey.c_str());
        if (!m_TargetKey.empty() && target.IsOpen()) {
            m_bPrinting = true;
            const DWORD comStatus = ReadComStatus(m_PrinterName.c_str(), m_PortName.c_str());
            if (comStatus != 1) {
                m_StatusNumber = comStatus == 3 ? StatusNumberOtherModel
                                                : (comStatus == 4 ? StatusNumberUnreadable : 0);
                ShowStatus(comStatus == 3 || comStatus == 4 ? 0 : -1, m_StatusNumber,
                           m_IndicatorMask);
                return;
            }
            if (target.IsBinaryValue("Status")) {
                reply = target.GetBinary("Status");
                haveReply = !reply.empty();
            }
        }
    }

    static const char kRecordPrefix[] = "hbm";
    static const char kReplyPrefix[] = "@BDC ST\r\n";
    if (haveReply && reply.size() >= 3 && std::memcmp(reply.data(), kRecordPrefix, 3) == 0) {
        m_StatusNumber = StatusNumberRecordReply;
        ShowSpecialStatus(static_cast<DWORD>(reply.size()), StatusNumberRecordReply);
        return;
    }
    m_Reply = PrinterStatus{};
    constexpr std::size_t prefix = sizeof kReplyPrefix - 1;
    static_assert(prefix <= 9, "a reply longer than 8 bytes holds the whole prefix");
    if (!haveReply || reply.size() <= 8 || std::memcmp(reply.data(), kReplyPrefix, prefix) != 0 ||
        ParseStatusReply(reply.data(), reply.size(), &m_Reply) != 0) {
        m_Reply = PrinterStatus{};
        m_PictureKind = PictureKindNoReply;
        m_StatusNumber = 0;
        ShowStatus(-1, 0, m_IndicatorMask);
        SetPictureKind(PictureKindNoReply, m_IndicatorMask);
        return;
    }
    m_StatusNumber = StatusNumber(m_Reply);
    m_IndicatorMask = IndicatorMask(m_Reply, m_StatusNumber);
    ShowStatus(0, m_StatusNumber, m_IndicatorMask);
}
