#include "monitor/MonitorDlg.h"

#include <algorithm>
#include <cstring>

#include "device/ChanSel.h"
#include "device/KLApiBinding.h"
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
    m_bInTimer = 1;
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
    m_bInTimer = 0;
    return 0;
}

void CMonitorDlg::StatusTick() {
    if (m_Recovery.AwaitsTool())
        return;

    int iResult = 1;
    UniqueKernelHandle mapping(
        ::OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, m_JobMapName.c_str()));
    const char* printer = m_PrinterName.c_str();
    const char* port = m_PortName.c_str();
    if (mapping) {
        mapping.reset();
        m_bPrinting = 1;
        switch (ReadComStatus(printer, port)) {
        case 0:
            iResult = -1;
            break;
        case 1:
            m_bModelVerified = 1;
            WriteComStatus(printer, port, 2);
            break;
        case 3:
            iResult = -2;
            break;
        case 4:
            iResult = -3;
            break;
        default:
            iResult = 0;
            break;
        }
    } else {
        if (m_bDebug)
            m_bModelVerified = 1;
        WriteComStatus(printer, port, 2);
        m_bPrinting = 0;
        if (!m_bModelVerified) {
            const std::string model = GetModelID(m_Channel, printer, port);
            if (model.empty())
                iResult = -1;
            else if (model == m_Model)
                m_bModelVerified = 1;
            else
                iResult = -2;
        }
    }
    DebugLog(m_bPrinting ? "---\nStatus Timer : Printing (%d)\n"
                         : "---\nStatus Timer : Idling (%d)\n",
             iResult);

    if (m_View == VIEW_PROGRESS && m_PortName.compare(0, 5, "FILE:") == 0) {
        if (ShowInkArea(FALSE))
            PlaceWindow(VIEW_PROGRESS, FALSE);
        return;
    }

    if (m_Channel.statChannel == 0 && iResult >= 0) {
        if (m_bDebug) {
            m_bWaitingNotice = 0;
            m_Channel.statChannel = ChannelIdPreferred; // no device channel is opened
        } else if (ChannelSelect(m_Channel) < 1) {
            iResult = -1;
        } else if (m_Channel.firstEntryFlags & kSlowChannelBit) {
            m_IdleInterval *= 3;
        }
    }

    if (iResult == -1)
        FollowUpReadError();
    DebugLog(" (iResult : %d)\n", iResult);

    if (iResult < 0) {
        m_StatusNumber =
            iResult == -2 ? StatusNumberOtherModel : (iResult == -3 ? StatusNumberUnreadable : 0);
        ShowStatus(0, m_StatusNumber, m_IndicatorMask);
        ShowInkLevels(1);
    } else if (iResult == 1 && m_Channel.statChannel != 0 && (!m_bWaitingNotice || m_bPrinting)) {
        GetPrinterStatus(m_bPrinting);
    }
    DebugLog(" Total Status No. : %d\n", m_StatusNumber);

    if (m_View == VIEW_PROGRESS) {
        const int notify = IsNotifyStatus(m_StatusNumber);
        if (ShowInkArea(notify || m_StatusNumber != 0))
            PlaceWindow(VIEW_PROGRESS, FALSE);
        if (notify) {
            if (HasCurrentJob())
                SwitchView(VIEW_POPUP, FALSE);
            else if (m_StatusNumber != m_AckStatus)
                SwitchView(VIEW_DETAIL, FALSE);
        }
    }

    if (CanAutoClose(m_StatusNumber) && LeaveAlert())
        PostMessage(WM_CLOSE);
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
        m_Recovery.RecoverChannel(m_View);
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
    const int channel = m_Channel.statChannel;
    int result = 0;
    bool read = false;
    if (!ReadsTextReplies(channel) && !fromRegistry) {
        if (channel == ChannelIdRecord) {
            // The other reply layout: nothing this window can show; counts as a failed read.
            m_StatusNumber = StatusNumberRecordReply;
            result = -1;
        }
    } else {
        read = true;
    }

    if (read) {
        std::unique_ptr<LockedBlock> block;
        DWORD length = 0;
        if (m_bDebug) {
            Registry debug(HKEY_LOCAL_MACHINE, DebugReplyKeyPath);
            const std::string text = debug.GetString("Status", "", kRegistryStringSize);
            if (!text.empty()) {
                block = std::make_unique<LockedBlock>(text.size());
                if (!*block)
                    return 0;
                std::memcpy(block->data(), text.data(), text.size());
                length = static_cast<DWORD>(text.size());
                result = 1;
            } else {
                result = -1;
                m_Reply = PrinterStatus{};
                m_PictureKind = PictureKindNoReply;
                m_StatusNumber = 0;
            }
        } else if (fromRegistry) {
            DWORD size = 0;
            result = ReadRawStatus(m_PrinterName.c_str(), m_PortName.c_str(), nullptr, 0, &size);
            if (result == 1) {
                block = std::make_unique<LockedBlock>(size);
                if (!*block) {
                    result = -1;
                } else {
                    result = ReadRawStatus(m_PrinterName.c_str(), m_PortName.c_str(), block->data(),
                                           size, &length);
                }
            }
            DebugLog("\n Printer status (Registry) : %.*s\n", static_cast<int>(length),
                     block && *block ? reinterpret_cast<const char*>(block->data()) : "");
        } else {
            int size = 0;
            const int first = m_pBinding && m_pBinding->IsInitialized()
                                  ? m_pBinding->KLGetStatus(m_Channel.m_hStat, nullptr, &size)
                                  : KL_FAILURE;
            result = 1;
            if (first == 0) {
                result = 0;
            } else if (first == KL_BUFFER_TOO_SMALL || first > 0) {
                if (size <= 0) {
                    result = -1;
                } else {
                    block = std::make_unique<LockedBlock>(static_cast<SIZE_T>(size));
                    if (!*block)
                        return 0;
                    int got = size;
                    const int second =
                        m_pBinding->KLGetStatus(m_Channel.m_hStat, block->data(), &got);
                    // The library may report more than it was given room for.
                    length = static_cast<DWORD>(got < 0 ? 0 : std::min(got, size));
                    if (second == 0)
                        result = 0;
                    else if (second < 0)
                        result = -1;
                }
            } else {
                result = -1;
            }
            DebugLog("\n Printer status (KLAPI) : %.*s\n", static_cast<int>(length),
                     block && *block ? reinterpret_cast<const char*>(block->data()) : "");
        }

        if (result == 0 && !m_bDebug) {
            if (!fromRegistry)
                m_bWaitingNotice = 1; // the library tells with message 1026 when there is data
            return 0;
        }

        if (result >= 0) {
            m_Reply = PrinterStatus{};
            if (ParseStatusReply(block->data(), length, &m_Reply) != 0) {
                // A rejected reply is never shown as a state: it counts as a failed read.
                m_Reply = PrinterStatus{};
                result = -1;
            }
        }
        m_bWaitingNotice = 0;
        block.reset();
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
    }

    ShowInkLevels(0);
    if (result < 0)
        FollowUpReadError();
    return 1;
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
    m_bWaitingNotice = 0;
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
    m_bWaitingNotice = 0;
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
    auto enable = [this](int id, bool on) {
        if (HWND control = GetDlgItem(id))
            ::EnableWindow(control, on ? TRUE : FALSE);
    };
    if (m_StatusNumber == 0 || clear) {
        enable(IDC_INK_CAPTION, false);
        for (int id : InkControls)
            enable(id, false);
        return;
    }

    LONG block[InkBlockSize] = {InkCount};
    auto clamp = [this](int ink) {
        if (m_Reply.inkLevel[ink] != InkLevelUnknown && m_Reply.inkLevel[ink] > kMaxInkLevel)
            m_Reply.inkLevel[ink] = kMaxInkLevel;
    };
    const auto blockParam = reinterpret_cast<LPARAM>(block);
    if (ReadsTextReplies(m_Channel.statChannel) && m_Reply.inkCount == InkCount) {
        enable(IDC_INK_CAPTION, true);
        if (m_Reply.inkLevel[0] == InkLevelUnknown) {
            enable(IDC_INK_1, false);
        } else {
            clamp(0);
            block[1] = m_Reply.inkLevel[0];
            enable(IDC_INK_1, true);
            SendDlgItemMessage(IDC_INK_1, WM_USER, INK_SET_LEVELS, blockParam);
        }
        bool known = true;
        for (int ink = 1; ink < InkCount; ++ink)
            known = known && m_Reply.inkLevel[ink] != InkLevelUnknown;
        if (known) {
            for (int ink = 0; ink < InkCount; ++ink) {
                clamp(ink);
                block[1 + ink] = m_Reply.inkLevel[ink];
            }
            for (int i = 1; i < InkCount; ++i) {
                enable(InkControls[i], true);
                SendDlgItemMessage(InkControls[i], WM_USER, INK_SET_LEVELS, blockParam);
            }
        } else {
            for (int i = 1; i < InkCount; ++i)
                enable(InkControls[i], false);
        }
    } else {
        enable(IDC_INK_CAPTION, false);
        for (int id : InkControls)
            enable(id, false);
    }

    if (m_IndicatorMask == 0)
        return;
    for (int ink = 0; ink < InkCount; ++ink) {
        clamp(ink);
        block[1 + ink] = m_Reply.inkLevel[ink];
    }
    for (int ink = 0; ink < InkCount; ++ink) {
        WPARAM mark = 0;
        if (m_IndicatorMask & AllInksBit)
            mark = INK_SET_EMPTY;
        else if (m_IndicatorMask & (0x0040u << ink))
            mark = INK_SET_EMPTY;
        else if (m_IndicatorMask & (0x0001u << ink))
            mark = INK_SET_WARNING;
        if (mark)
            SendDlgItemMessage(InkControls[ink], WM_USER, mark, blockParam);
    }
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
        m_bKeepHidden = 0;
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
            m_bPrinting = 1;
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
