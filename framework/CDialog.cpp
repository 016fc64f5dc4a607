#include "framework/CDialog.h"

#include "framework/ResourceModule.h"

namespace {
// The system's caret-blink timer message, which the headers do not name.
constexpr UINT WM_SYSTIMER = 0x0118;
} // namespace

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
    if (!control.m_hWnd)
        control.SubclassDlgItem(static_cast<UINT>(id), dx->m_pDlgWnd->m_hWnd);
}

CDialog::CDialog(UINT templateId, HWND owner) : m_nIDTemplate(templateId), m_hWndOwner(owner) {}

CDialog::~CDialog() {
    if (m_hWnd && ::IsWindow(m_hWnd))
        ::DestroyWindow(m_hWnd);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_INITDIALOG)
        return FALSE;
    auto* dialog = reinterpret_cast<CDialog*>(lParam);
    if (!dialog || CWnd::FromHandleAttached(hwnd))
        return FALSE;
    dialog->Attach(hwnd);
    try {
        return dialog->WindowProc(WM_INITDIALOG, wParam, lParam);
    } catch (...) {
        return TRUE;
    }
}

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        // Never to the default: the dialog manager would call DialogProc again.
        return OnInitDialog();
    }
    case WM_COMMAND: {
        if (OnCommand(wParam, lParam))
            return 0;
        break;
    }
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM) {
    // Button clicks, menu items and accelerators only.
    if (HIWORD(wParam) > 1)
        return FALSE;
    switch (LOWORD(wParam)) {
    case IDOK: {
        OnOK();
        return TRUE;
    }
    case IDCANCEL: {
        OnCancel();
        return TRUE;
    }
    }
    return FALSE;
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
    if (!m_hWnd)
        return FALSE;
    CDataExchange dx(this, saveAndValidate);
    try {
        DoDataExchange(&dx);
    } catch (...) {
        return FALSE;
    }
    return TRUE;
}

BOOL CDialog::PreTranslateMessage(MSG* msg) {
    bool keyboard = msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST;
    bool mouse = msg->message >= WM_MOUSEFIRST && msg->message <= WM_MOUSELAST;
    if (!keyboard && !mouse)
        return FALSE;
    return ::IsDialogMessageA(m_hWnd, msg);
}

void CDialog::EndDialog(int result) {
    m_nModalResult = result;
    if (m_nFlags & ContinueModalFlag) {
        m_nFlags &= ~ContinueModalFlag;
        // Wakes the loop if it waits in GetMessage.
        if (m_hWnd)
            ::PostMessageA(m_hWnd, WM_NULL, 0, 0);
    }
}

HWND CDialog::FindOwner() const {
    HWND hwnd = m_hWndOwner ? m_hWndOwner : ::GetActiveWindow();
    // A popup cannot be owned by a child window.
    while (hwnd && (::GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD))
        hwnd = ::GetParent(hwnd);
    if (!m_hWndOwner && hwnd)
        hwnd = ::GetLastActivePopup(hwnd);
    return hwnd;
}

INT_PTR CDialog::DoModal() {
    return RunModal(SW_SHOWNORMAL);
}

INT_PTR CDialog::RunModal(int showCommand) {
    m_nModalResult = -1;
    HINSTANCE module = AfxGetResourceHandle();
    HRSRC found = ::FindResourceA(module, MAKEINTRESOURCEA(m_nIDTemplate), RT_DIALOG);
    HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
    auto* dialogTemplate = loaded ? static_cast<LPCDLGTEMPLATEA>(::LockResource(loaded)) : nullptr;
    if (!dialogTemplate)
        return -1;

    HWND owner = FindOwner();
    bool enableOwner = false;
    if (owner && owner != ::GetDesktopWindow() && ::IsWindowEnabled(owner)) {
        ::EnableWindow(owner, FALSE);
        enableOwner = true;
    }

    m_nFlags |= ContinueModalFlag;
    HWND created = ::CreateDialogIndirectParamA(module, dialogTemplate, owner, &CDialog::DialogProc,
                                                reinterpret_cast<LPARAM>(this));
    if (created && m_hWnd) {
        if (ContinueModal()) {
            DWORD flags = MLF_SHOWONIDLE;
            if (GetStyle() & DS_NOIDLEMSG)
                flags |= MLF_NOIDLEMSG;
            RunModalLoop(flags, showCommand);
        }
        // Hidden before the owner is enabled, so the owner is what gets activated.
        if (m_hWnd)
            SetWindowPos(nullptr, 0, 0, 0, 0,
                         SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
    }
    m_nFlags &= ~ContinueModalFlag;

    if (enableOwner)
        ::EnableWindow(owner, TRUE);
    if (owner && created && ::GetActiveWindow() == created)
        ::SetActiveWindow(owner);
    if (m_hWnd)
        ::DestroyWindow(m_hWnd);
    return m_nModalResult;
}

bool CDialog::IsIdleMessage(const MSG& msg, POINT* lastMouse, UINT* lastMouseMessage) {
    // A mouse move to where the mouse already was, a paint or the caret blink do not
    // count as activity that calls for another round of idle processing.
    if (msg.message == WM_MOUSEMOVE || msg.message == WM_NCMOUSEMOVE) {
        if (msg.message == *lastMouseMessage && msg.pt.x == lastMouse->x &&
            msg.pt.y == lastMouse->y)
            return false;
        *lastMouse = msg.pt;
        *lastMouseMessage = msg.message;
        return true;
    }
    return msg.message != WM_PAINT && msg.message != WM_SYSTIMER;
}

int CDialog::RunModalLoop(DWORD flags, int showCommand) {
    bool idle = true;
    LONG idleCount = 0;
    bool showOnIdle = (flags & MLF_SHOWONIDLE) && !(GetStyle() & WS_VISIBLE);
    HWND owner = ::GetParent(m_hWnd);
    POINT lastMouse = {-1, -1};
    UINT lastMouseMessage = 0;
    m_nFlags |= ModalLoop | ContinueModalFlag;

    auto show = [&]() {
        ShowWindow(showCommand);
        UpdateWindow();
        showOnIdle = false;
    };

    MSG msg = {};
    for (;;) {
        while (idle && !::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (showOnIdle)
                show();
            if (!(flags & MLF_NOIDLEMSG) && owner && idleCount == 0)
                ::SendMessageA(owner, WM_ENTERIDLE, MSGF_DIALOGBOX,
                               reinterpret_cast<LPARAM>(m_hWnd));
            if ((flags & MLF_NOKICKIDLE) ||
                !SendMessage(WM_KICKIDLE, MSGF_DIALOGBOX, static_cast<LPARAM>(idleCount++)))
                idle = false;
            if (!ContinueModal())
                goto done;
        }
        do {
            if (!ContinueModal())
                goto done;
            BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
            if (got == 0 || got == -1) {
                // The quit message belongs to the loop outside ours.
                if (got == 0)
                    ::PostQuitMessage(static_cast<int>(msg.wParam));
                m_nFlags &= ~(ModalLoop | ContinueModalFlag);
                m_nModalResult = -1;
                return -1;
            }
            if (!CWnd::WalkPreTranslateTree(&msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageA(&msg);
            }
            if (showOnIdle && (msg.message == WM_SYSTIMER || msg.message == WM_SYSKEYDOWN))
                show();
            if (!ContinueModal())
                goto done;
            if (IsIdleMessage(msg, &lastMouse, &lastMouseMessage)) {
                idle = true;
                idleCount = 0;
            }
        } while (::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    }
done:
    m_nFlags &= ~(ModalLoop | ContinueModalFlag);
    return m_nModalResult;
}
