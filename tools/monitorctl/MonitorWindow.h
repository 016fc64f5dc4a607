#pragma once
#include <windows.h>

#include <string>

// The library's monitor window as another process sees it: found among the
// top-level windows of a desktop by the controls of its dialog template, and
// read through ordinary window messages.
class MonitorWindow {
public:
    // Makes the named desktop (a Wine virtual desktop, explorer /desktop=NAME)
    // the calling thread's, so that Find looks there; false when it does not exist.
    static bool UseDesktop(const std::string& desktop);
    // The first monitor window on the thread's desktop; null when there is none.
    static HWND Find();

    explicit MonitorWindow(HWND window) : window_(window) {}

    // "popup", "detail", "progress", "hidden" (the window exists but is not
    // shown), or "gone" when the window has ended.
    std::string View() const;
    // Control text in UTF-8 ("" for a missing control).
    std::string Text(int controlId) const;
    std::string Caption() const;
    bool IsEnabled(int controlId) const;
    bool IsShown(int controlId) const;
    // The window's rectangle on its desktop.
    RECT Rect() const;
    // Presses a button as a click would: the dialog gets its BN_CLICKED.
    bool Press(int controlId) const;

    static std::string Utf8(const std::wstring& text);

private:
    HWND window_;
};
