#include "monitor/MonitorDlg.h"

#include "monitor/StatusDisplay.h"
#include "support/DebugLog.h"
#include "support/Registry.h"

namespace {

constexpr UINT kCaptionId = 1100;
constexpr DWORD kPositionMissing = 0x70000000;
const UINT kProgressFrames[] = {589, 590, 591};

// Shown and enabled per view (popup, detail, progress).
struct ViewControl {
    int id;
    bool shown[3];
    bool enabled[3];
};

const ViewControl kViewControls[] = {
    {IDC_PICTURE, {true, true, false}, {true, true, true}},
    {IDC_DOCUMENT_POPUP, {true, false, false}, {true, true, true}},
    {IDC_MESSAGE, {true, true, false}, {true, true, true}},
    {IDC_CANCEL_POPUP, {true, false, false}, {true, false, false}},
    {IDOK, {false, true, false}, {false, true, false}},
    {IDC_DOCUMENT_PM, {false, false, true}, {true, true, true}},
    {IDC_SHEETS, {false, false, true}, {true, true, true}},
    {IDC_TIME_LEFT, {false, false, true}, {true, true, true}},
    {IDC_PRINTING_LABEL, {false, false, true}, {true, true, true}},
    {IDC_PROGRESS, {false, false, true}, {true, true, true}},
    {IDC_DETAILS, {false, false, true}, {true, true, true}},
    {IDC_ANIMATION, {false, false, true}, {true, true, true}},
    {IDC_CANCEL_PM, {false, false, true}, {false, false, true}},
    {IDC_PAUSE, {false, false, true}, {false, false, true}},
};

const char* SwitchLine(int view) {
    switch (view) {
    case VIEW_POPUP:
        return "\n View Type : Popup\n";
    case VIEW_DETAIL:
        return "\n View Type : Detail\n";
    default:
        return "\n View Type : Progress meter dialog\n";
    }
}

// The screen the window is placed on: the full-screen area with the caption row.
SIZE PlacementScreen() {
    SIZE screen = {::GetSystemMetrics(SM_CXFULLSCREEN),
                   ::GetSystemMetrics(SM_CYFULLSCREEN) + ::GetSystemMetrics(SM_CYCAPTION)};
    // Without a taskbar the sum above can exceed the screen, which would put the
    // meter's bottom rows off screen: never beyond the work area.
    RECT work = {};
    if (::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0)) {
        if (work.right > 0 && work.right < screen.cx)
            screen.cx = work.right;
        if (work.bottom > 0 && work.bottom < screen.cy)
            screen.cy = work.bottom;
    }
    return screen;
}

// Popup and detail are centred, the meter sits in the bottom-right corner.
bool DefaultPlace(int view, SIZE screen, SIZE size, const RECT& current, POINT* place) {
    if (view == VIEW_POPUP || view == VIEW_DETAIL) {
        place->x = (screen.cx - (current.right - current.left)) / 2;
        place->y = (screen.cy - (current.bottom - current.top)) / 2;
        return true;
    }
    if (view == VIEW_PROGRESS) {
        place->x = screen.cx - size.cx;
        place->y = screen.cy - size.cy;
        return true;
    }
    return false;
}

} // namespace

void CMonitorDlg::SwitchView(int view, BOOL defaultPlace) {
    if (view == m_View || view < VIEW_POPUP || view > VIEW_PROGRESS)
        return;

    SetWindowText(ViewCaption(view));
    ShowViewControls(view);
    SetViewSystemMenu(view);
    if (view == VIEW_PROGRESS)
        EnterProgressView();
    else
        EnterAlertView(view);

    m_View = view;
    PlaceWindow(view, defaultPlace);

    if (view == VIEW_PROGRESS)
        ShowView3Topmost();
    else
        SetForegroundWindow();
    DebugLog("%s", SwitchLine(view));
}

std::string CMonitorDlg::ViewCaption(int view) const {
    if (view == VIEW_PROGRESS)
        return m_bByPort ? m_PortName : m_PrinterName + " - " + m_PortName;
    ResText title;
    title.Load(kCaptionId);
    return std::string(title.Text()) + " : " + DisplayName();
}

void CMonitorDlg::ShowViewControls(int view) {
    const int index = view - 1;
    for (const ViewControl& control : kViewControls) {
        HWND item = GetDlgItem(control.id);
        if (!item)
            continue;
        ::ShowWindow(item, control.shown[index] ? SW_SHOW : SW_HIDE);
        ::EnableWindow(item, control.enabled[index] ? TRUE : FALSE);
    }
}

// Only the detail view closes from the menu; only the meter minimises.
void CMonitorDlg::SetViewSystemMenu(int view) {
    if (HMENU menu = GetSystemMenu(FALSE)) {
        ::EnableMenuItem(menu, SC_CLOSE,
                         MF_BYCOMMAND | (view == VIEW_DETAIL ? MF_ENABLED : MF_GRAYED));
        ::EnableMenuItem(menu, SC_MINIMIZE,
                         MF_BYCOMMAND | (view == VIEW_PROGRESS ? MF_ENABLED : MF_GRAYED));
    }
    if (view == VIEW_PROGRESS)
        ModifyStyle(0, WS_MINIMIZEBOX);
    else
        ModifyStyle(WS_MINIMIZEBOX, 0);
}

// Popup and detail are shown at once, restored, with the ink area and the focus on their button.
void CMonitorDlg::EnterAlertView(int view) {
    if (IsIconic())
        ShowWindow(SW_RESTORE);
    m_bKeepHidden = false;
    ShowWindow(SW_SHOW);
    ShowInkArea(TRUE);
    if (HWND focus = GetDlgItem(view == VIEW_POPUP ? IDC_CANCEL_POPUP : IDOK))
        ::SetFocus(focus);
    m_Animation.StopAnimation();
}

void CMonitorDlg::EnterProgressView() {
    if (!m_bStatusTimerOn)
        ShowInkArea(FALSE);
    m_Animation.SetBlitSize(100, 85);
    m_Animation.SetAnimation(3, kProgressFrames);
}

// Brings the window to the top without activating it and without leaving it topmost.
void CMonitorDlg::ShowView3Topmost() {
    constexpr UINT flags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE;
    SetWindowPos(HWND_TOPMOST, 0, 0, 0, 0, flags);
    SetWindowPos(HWND_NOTOPMOST, 0, 0, 0, 0, flags);
}

SIZE CMonitorDlg::GetViewSize(int view) const {
    if (view < VIEW_POPUP || view > VIEW_PROGRESS)
        return {0, 0};
    RECT window = {};
    GetWindowRect(&window);
    RECT marker = {};
    if (HWND control = GetDlgItem(IDC_MARKER))
        ::GetWindowRect(control, &marker);
    return {window.right - window.left, marker.bottom - window.top};
}

void CMonitorDlg::PlaceWindow(int view, BOOL defaultPlace) {
    const SIZE screen = PlacementScreen();
    const SIZE size = GetViewSize(view);
    RECT current = {};
    GetWindowRect(&current);
    POINT fallback = {};
    if (!DefaultPlace(view, screen, size, current, &fallback))
        return;

    std::int64_t wantedX = current.left;
    std::int64_t wantedY = current.top;
    if (m_bSavePosition && !ReadStoredPosition(&wantedX, &wantedY))
        return;

    bool fellBackX = true;
    bool fellBackY = true;
    int x = fallback.x;
    int y = fallback.y;
    if (!defaultPlace) {
        x = ChooseStoredCoordinate(wantedX, fallback.x, screen.cx, size.cx, &fellBackX);
        y = ChooseStoredCoordinate(wantedY, fallback.y, screen.cy, size.cy, &fellBackY);
    }
    SetWindowPos(nullptr, x, y, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    if (m_bSavePosition && (fellBackX || fellBackY))
        WriteStoredPosition(x, y);
    FitMessageToView(view);
}

// False when the target key cannot be opened: the window is then not moved.
bool CMonitorDlg::ReadStoredPosition(std::int64_t* x, std::int64_t* y) const {
    Registry target(HKEY_CURRENT_USER, m_TargetKey.c_str(), false, KEY_ALL_ACCESS);
    if (m_TargetKey.empty() || !target.IsOpen())
        return false;
    // Stored as 32-bit values; a window left of or above the screen has negative ones.
    *x = static_cast<LONG>(target.GetDword("PopupPOSX", kPositionMissing));
    *y = static_cast<LONG>(target.GetDword("PopupPOSY", kPositionMissing));
    return true;
}

// The popup's message keeps its place; the detail view's reaches up to the picture's top.
void CMonitorDlg::FitMessageToView(int view) {
    HWND message = GetDlgItem(IDC_MESSAGE);
    if (!message)
        return;
    const RECT& text = m_TextRect;
    if (view == VIEW_POPUP) {
        ::MoveWindow(message, text.left, text.top, text.right - text.left, text.bottom - text.top,
                     TRUE);
    } else if (view == VIEW_DETAIL) {
        RECT picture = {};
        if (HWND control = GetDlgItem(IDC_PICTURE)) {
            ::GetWindowRect(control, &picture);
            ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&picture), 2);
        }
        ::MoveWindow(message, text.left, picture.top, text.right - text.left,
                     text.bottom - picture.top, TRUE);
    }
}

void CMonitorDlg::WriteStoredPosition(int x, int y) const {
    if (m_TargetKey.empty())
        return;
    Registry target(HKEY_CURRENT_USER, m_TargetKey.c_str(), false, KEY_ALL_ACCESS);
    if (!target.IsOpen())
        return;
    // A position that cannot be kept leaves the default for the next window.
    static_cast<void>(target.SetDword("PopupPOSX", static_cast<DWORD>(x)) &&
                      target.SetDword("PopupPOSY", static_cast<DWORD>(y)));
}

int CMonitorDlg::ShowInkArea(BOOL show) {
    const int wanted = show ? 1 : 0;
    if (m_bInkAreaShown == wanted)
        return 0;
    if (HWND caption = GetDlgItem(IDC_INK_CAPTION))
        ::ShowWindow(caption, wanted ? SW_SHOW : SW_HIDE);
    for (int id : InkControls)
        if (HWND control = GetDlgItem(id))
            ::ShowWindow(control, wanted ? SW_SHOW : SW_HIDE);
    m_bInkAreaShown = wanted;
    return 1;
}

void CMonitorDlg::OnMove() {
    if (!m_bSavePosition)
        return;
    RECT window = {};
    GetWindowRect(&window);
    WriteStoredPosition(window.left, window.top);
}

void CMonitorDlg::OnMoving(RECT* rect) const {
    if (!rect)
        return;
    const SIZE size = GetViewSize(m_View);
    rect->right = rect->left + size.cx;
    rect->bottom = rect->top + size.cy;
}

void CMonitorDlg::OnWindowPosChanging(WINDOWPOS* pos) const {
    if (m_bKeepHidden && pos)
        pos->flags &= ~SWP_SHOWWINDOW;
}
