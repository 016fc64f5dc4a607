#include "tools/monitorctl/MonitorWindow.h"

#include <vector>

std::string MonitorWindow::Utf8(const std::wstring& text) {
    if (text.empty())
        return {};
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], size,
                          nullptr, nullptr);
    return out;
}

namespace {

constexpr int kMessageId = 212;
constexpr int kProgressBarId = 305;
constexpr int kCancelPopupId = 310;
constexpr int kCancelProgressId = 308;
constexpr UINT kAnswerMs = 2000;

BOOL CALLBACK TakeMonitor(HWND window, LPARAM found) {
    if (!::GetDlgItem(window, kProgressBarId) || !::GetDlgItem(window, kMessageId))
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// WM_GETTEXT, not GetWindowText: the latter does not ask a control of another
// process, and an edit control keeps its text to itself.
std::string WindowText(HWND window) {
    if (!window)
        return {};
    DWORD_PTR length = 0;
    if (!::SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kAnswerMs,
                               &length))
        return {};
    std::vector<wchar_t> buffer(length + 1, L'\0');
    DWORD_PTR got = 0;
    if (!::SendMessageTimeoutW(window, WM_GETTEXT, buffer.size(),
                               reinterpret_cast<LPARAM>(buffer.data()), SMTO_ABORTIFHUNG, kAnswerMs,
                               &got))
        return {};
    return MonitorWindow::Utf8(std::wstring(buffer.data(), got < buffer.size() ? got : length));
}

} // namespace

bool MonitorWindow::UseDesktop(const std::string& desktop) {
    // Before this thread touches any window: its desktop cannot change after that.
    HDESK handle = ::OpenDesktopA(desktop.c_str(), 0, FALSE, GENERIC_ALL);
    return handle && ::SetThreadDesktop(handle);
}

HWND MonitorWindow::Find() {
    HWND found = nullptr;
    ::EnumWindows(TakeMonitor, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::string MonitorWindow::View() const {
    if (!::IsWindow(window_))
        return "gone";
    if (!::IsWindowVisible(window_))
        return "hidden";
    if (IsShown(kCancelPopupId))
        return "popup";
    if (IsShown(IDOK))
        return "detail";
    if (IsShown(kCancelProgressId))
        return "progress";
    return "unknown";
}

std::string MonitorWindow::Text(int controlId) const {
    return WindowText(::GetDlgItem(window_, controlId));
}

std::string MonitorWindow::Caption() const {
    return WindowText(window_);
}

bool MonitorWindow::IsEnabled(int controlId) const {
    HWND control = ::GetDlgItem(window_, controlId);
    return control && ::IsWindowEnabled(control);
}

bool MonitorWindow::IsShown(int controlId) const {
    HWND control = ::GetDlgItem(window_, controlId);
    return control && (::GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE);
}

RECT MonitorWindow::Rect() const {
    RECT rect = {};
    ::GetWindowRect(window_, &rect);
    return rect;
}

bool MonitorWindow::Press(int controlId) const {
    HWND control = ::GetDlgItem(window_, controlId);
    if (!control || !::IsWindowEnabled(control))
        return false;
    return ::PostMessageA(window_, WM_COMMAND, MAKEWPARAM(controlId, BN_CLICKED),
                          reinterpret_cast<LPARAM>(control)) != 0;
}
