#include "monitor/MonitorDlg.h"

#include "support/Registry.h"

namespace {

constexpr UINT kCaptionId = 1100;

struct NoticeFlag {
    const char* value;
    UINT textId;
};

// In the order the boxes follow one another.
const NoticeFlag kNoticeFlags[] = {
    {"RST_FREPLACE", 1233},
    {"ERR_KLAPIINUSE", 1234},
    {"ERR_OTHERS", 1235},
};

} // namespace

// What other components of the product know about why the printer cannot be
// reached: one box per flag that is exactly 1, read all at once before any box.
void CMonitorDlg::ShowErrorNotice() {
    bool set[3] = {};
    {
        Registry common(HKEY_LOCAL_MACHINE, ChannelRecovery::KvrCommonKeyPath);
        if (!common.IsOpen())
            return;
        for (int i = 0; i < 3; ++i)
            set[i] = common.GetDword(kNoticeFlags[i].value, 0) == 1;
    }
    for (int i = 0; i < 3; ++i) {
        if (!set[i])
            continue;
        ResText text;
        ResText caption;
        text.Load(kNoticeFlags[i].textId);
        caption.Load(kCaptionId);
        MessageBox(text.Text(), caption.Text(), MB_OK);
    }
}

// The channel repair's messages, captioned and flagged as they always were.
void CMonitorDlg::ShowRecoveryMessage(UINT textId) {
    ResText text;
    ResText caption;
    text.Load(textId);
    caption.Load(ChannelRecovery::CaptionId);
    MessageBox(text.Text(), caption.Text(), MB_OK | MB_ICONEXCLAMATION);
}
