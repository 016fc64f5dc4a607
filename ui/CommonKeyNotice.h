#pragma once

// The notice shown when the printer's common key path is not known. The text is
// Shift-JIS (code page 932) and is shown through the wide API, so it reads
// correctly whatever the system's ANSI code page is.
extern const char CommonKeyNoticeText[];
constexpr unsigned CommonKeyNoticeCodePage = 932;

// Shows the notice as the application's message box with an OK button.
void ShowCommonKeyNotice();
