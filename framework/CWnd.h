#pragma once
#include <windows.h>
#include <string>

#include "framework/CObject.h"

// Sent by a modal loop to its dialog while the queue is idle (wParam MSGF_DIALOGBOX,
// lParam the idle count). A dialog that wants more idle calls returns non-zero.
constexpr UINT WM_KICKIDLE = 0x036A;

// A C++ object bound to one window.
//
// Message dispatch is the same in every class: the window's messages arrive at the
// virtual WindowProc(message, wParam, lParam), whose switch has one braced case per
// message that calls one short handler; anything a class does not handle falls back
// to its base class's WindowProc, and at the bottom to DefWindowProc, which calls the
// window's original procedure. A handler that wants the default processing first
// calls its base class's WindowProc itself.
//
// Binding: SubclassWindow / SubclassDlgItem attach an object to an existing window
// (a control of a dialog template): the object pointer and the original procedure
// are kept as window properties, and the window procedure is replaced by ours.
// Dialogs bind themselves at WM_INITDIALOG (see CDialog). The binding ends at
// WM_NCDESTROY, or in the destructor if the window outlives the object.
class CWnd : public CObject {
public:
    CWnd() = default;
    ~CWnd() override;

    HWND m_hWnd = nullptr;

    HWND GetSafeHwnd() const noexcept { return m_hWnd; }

    BOOL SubclassWindow(HWND hwnd);
    BOOL SubclassDlgItem(UINT id, HWND parent);
    // Gives the window its original procedure back; returns the window.
    HWND UnsubclassWindow();

    // The object bound to a window by this framework, or null.
    static CWnd* FromHandleAttached(HWND hwnd);

    // Offers a message to the bound objects from its target window up to the
    // top-level window (children only); true when one of them consumed it.
    static bool WalkPreTranslateTree(MSG* msg);
    // true: the message was handled here and must not be dispatched.
    virtual BOOL PreTranslateMessage(MSG* msg);

    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    HWND GetParent() const { return ::GetParent(m_hWnd); }
    BOOL ShowWindow(int command) { return ::ShowWindow(m_hWnd, command); }
    BOOL EnableWindow(BOOL enable) { return ::EnableWindow(m_hWnd, enable); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    void SetWindowText(const char* text) { ::SetWindowTextA(m_hWnd, text ? text : ""); }
    void SetWindowText(const std::string& text) { SetWindowText(text.c_str()); }
    std::string GetWindowText() const;
    void SetDlgItemText(int id, const char* text) { ::SetDlgItemTextA(m_hWnd, id, text); }
    std::string GetDlgItemText(int id) const;
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse) { return ::SetTimer(m_hWnd, id, elapse, nullptr); }
    BOOL KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return ::PostMessageA(m_hWnd, message, wParam, lParam);
    }
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return ::SendMessageA(m_hWnd, message, wParam, lParam);
    }
    LRESULT SendDlgItemMessage(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return ::SendDlgItemMessageA(m_hWnd, id, message, wParam, lParam);
    }
    void GetWindowRect(RECT* rect) const { ::GetWindowRect(m_hWnd, rect); }
    void GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }
    BOOL SetWindowPos(HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
        return ::SetWindowPos(m_hWnd, insertAfter, x, y, cx, cy, flags);
    }
    void Invalidate(BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, erase); }
    void UpdateWindow() { ::UpdateWindow(m_hWnd); }
    HMENU GetSystemMenu(BOOL revert) const { return ::GetSystemMenu(m_hWnd, revert); }
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongA(m_hWnd, GWL_STYLE)); }
    BOOL ModifyStyle(DWORD remove, DWORD add);
    HICON SetIcon(HICON icon, BOOL big) {
        return reinterpret_cast<HICON>(
            SendMessage(WM_SETICON, big ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon)));
    }
    HFONT GetFont() const {
        return reinterpret_cast<HFONT>(::SendMessageA(m_hWnd, WM_GETFONT, 0, 0));
    }
    HWND SetFocus() { return ::SetFocus(m_hWnd); }
    BOOL SetForegroundWindow() { return ::SetForegroundWindow(m_hWnd); }
    int MessageBox(const char* text, const char* caption = nullptr, UINT type = MB_OK) {
        return ::MessageBoxA(m_hWnd, text, caption, type);
    }
    BOOL DestroyWindow();

protected:
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The window's original procedure (the system's default when there is none).
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    // Binds this object to hwnd and puts our procedure in front of the original one.
    void Attach(HWND hwnd);

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Detach();

    WNDPROC m_pfnSuper = nullptr;
};
