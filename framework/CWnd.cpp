#include "framework/CWnd.h"

#include <vector>

namespace {
// Window properties of a bound window: the object, and the procedure we replaced.
const char* const ObjectProp = "PqifCWnd.Object";
const char* const SuperProp = "PqifCWnd.Super";
} // namespace

CWnd::~CWnd() {
    if (m_hWnd && ::IsWindow(m_hWnd))
        Detach();
}

CWnd* CWnd::FromHandleAttached(HWND hwnd) {
    if (!hwnd)
        return nullptr;
    return static_cast<CWnd*>(::GetPropA(hwnd, ObjectProp));
}

void CWnd::Attach(HWND hwnd) {
    m_hWnd = hwnd;
    m_pfnSuper = reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(hwnd, GWLP_WNDPROC));
    ::SetPropA(hwnd, ObjectProp, this);
    ::SetPropA(hwnd, SuperProp, reinterpret_cast<HANDLE>(m_pfnSuper));
    ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::SubclassProc));
}

void CWnd::Detach() {
    HWND hwnd = m_hWnd;
    if (!hwnd)
        return;
    ::RemovePropA(hwnd, ObjectProp);
    // Someone may have subclassed the window after us; then our procedure stays in
    // their chain and keeps forwarding to the original one through the property.
    if (reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(hwnd, GWLP_WNDPROC)) == &CWnd::SubclassProc) {
        ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
        ::RemovePropA(hwnd, SuperProp);
    }
    m_hWnd = nullptr;
    m_pfnSuper = nullptr;
}

BOOL CWnd::SubclassWindow(HWND hwnd) {
    if (!hwnd || m_hWnd || FromHandleAttached(hwnd))
        return FALSE;
    Attach(hwnd);
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, HWND parent) {
    return SubclassWindow(::GetDlgItem(parent, static_cast<int>(id)));
}

HWND CWnd::UnsubclassWindow() {
    HWND hwnd = m_hWnd;
    Detach();
    return hwnd;
}

LRESULT CALLBACK CWnd::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* wnd = FromHandleAttached(hwnd);
    if (!wnd) {
        auto super = reinterpret_cast<WNDPROC>(::GetPropA(hwnd, SuperProp));
        if (message == WM_NCDESTROY)
            ::RemovePropA(hwnd, SuperProp);
        return super ? ::CallWindowProcA(super, hwnd, message, wParam, lParam)
                     : ::DefWindowProcA(hwnd, message, wParam, lParam);
    }
    LRESULT result = 0;
    try {
        result = wnd->WindowProc(message, wParam, lParam);
    } catch (...) {
        result = wnd->DefWindowProc(message, wParam, lParam);
    }
    if (message == WM_NCDESTROY)
        wnd->Detach();
    return result;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProc(message, wParam, lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_pfnSuper)
        return ::CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PreTranslateMessage(MSG*) {
    return FALSE;
}

bool CWnd::WalkPreTranslateTree(MSG* msg) {
    for (HWND hwnd = msg->hwnd; hwnd;) {
        if (CWnd* wnd = FromHandleAttached(hwnd))
            if (wnd->PreTranslateMessage(msg))
                return true;
        if (!(::GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD))
            break;
        hwnd = ::GetParent(hwnd);
    }
    return false;
}

std::string CWnd::GetWindowText() const {
    int length = ::GetWindowTextLengthA(m_hWnd);
    if (length <= 0)
        return {};
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    int got = ::GetWindowTextA(m_hWnd, buffer.data(), length + 1);
    return std::string(buffer.data(), got > 0 ? static_cast<size_t>(got) : 0);
}

std::string CWnd::GetDlgItemText(int id) const {
    HWND item = GetDlgItem(id);
    if (!item)
        return {};
    int length = ::GetWindowTextLengthA(item);
    if (length <= 0)
        return {};
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    int got = ::GetWindowTextA(item, buffer.data(), length + 1);
    return std::string(buffer.data(), got > 0 ? static_cast<size_t>(got) : 0);
}

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add) {
    DWORD style = GetStyle();
    DWORD changed = (style & ~remove) | add;
    if (changed == style)
        return FALSE;
    ::SetWindowLongA(m_hWnd, GWL_STYLE, static_cast<LONG>(changed));
    return TRUE;
}

BOOL CWnd::DestroyWindow() {
    if (!m_hWnd)
        return FALSE;
    return ::DestroyWindow(m_hWnd);
}
