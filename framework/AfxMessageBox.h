#pragma once
#include <windows.h>
#include <string>

// The framework's application message box: owned by the thread's active window,
// with the application's name as caption.
int AfxMessageBox(const char* text, UINT type = MB_OK);

// The same for a text stored in a fixed code page (for example a Shift-JIS text,
// 932): converted and shown through the wide API, so it reads correctly whatever
// the system's ANSI code page is.
int AfxMessageBoxInCodePage(const char* text, UINT codePage, UINT type = MB_OK);

// The application object's name, else the module's file name without extension.
std::string AfxGetAppName();
