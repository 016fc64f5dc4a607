#include "tests/tools/FakeMonitorWindow.h"

namespace {
constexpr char kClass[] = "PqifFakeMonitor";
constexpr UINT kAddPrintJob = WM_USER + 5;

HWND Child(HWND parent, const char* cls, const char* text, int id, bool shown) {
    return ::CreateWindowExA(0, cls, text, WS_CHILD | (shown ? WS_VISIBLE : 0), 0, 0, 80, 20,
                             parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             ::GetModuleHandleA(nullptr), nullptr);
}
} // namespace

FakeMonitorWindow::FakeMonitorWindow(Look look, const char* message) {
    WNDCLASSA cls = {};
    cls.lpfnWndProc = Proc;
    cls.hInstance = ::GetModuleHandleA(nullptr);
    cls.lpszClassName = kClass;
    ::RegisterClassA(&cls);
    window_ = ::CreateWindowExA(0, kClass, "Fake Monitor : Test", WS_OVERLAPPED | WS_CAPTION, 40,
                                30, 300, 200, nullptr, nullptr, ::GetModuleHandleA(nullptr), this);
    ::SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    if (look == Look::Plain)
        return;
    const bool popup = look == Look::Popup;
    Child(window_, "EDIT", message, 212, popup);
    Child(window_, "STATIC", "", 305, !popup);
    Child(window_, "STATIC", "Report.pdf", 300, !popup);
    Child(window_, "BUTTON", "Cancel Printing", 310, popup);
    Child(window_, "BUTTON", "Close", IDOK, false);
    Child(window_, "BUTTON", "Cancel Printing", 308, !popup);
    Child(window_, "BUTTON", "Pause", 309, !popup);
    ::ShowWindow(window_, SW_SHOWNOACTIVATE);
}

FakeMonitorWindow::~FakeMonitorWindow() {
    if (::IsWindow(window_))
        ::DestroyWindow(window_);
}

LRESULT CALLBACK FakeMonitorWindow::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<FakeMonitorWindow*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self && message == WM_COMMAND) {
        const int id = LOWORD(wParam);
        self->commands_.push_back(id);
        ::EnableWindow(::GetDlgItem(window, id), FALSE);
        return 0;
    }
    if (self && message == kAddPrintJob) {
        self->addedJobs_.push_back(lParam);
        return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}
