#include "ui/CommonKeyNotice.h"

#include "framework/AfxMessageBox.h"

// "CommonKey" followed by the Japanese for "cannot be obtained!", in Shift-JIS.
const char CommonKeyNoticeText[] =
    "CommonKey\x82\xaa\x8e\xe6\x93\xbe\x82\xc5\x82\xab\x82\xc8\x82\xa2\x81\x49";

void ShowCommonKeyNotice() {
    AfxMessageBoxInCodePage(CommonKeyNoticeText, CommonKeyNoticeCodePage, MB_OK);
}
