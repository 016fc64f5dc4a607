#include "ui/LevelBarCtrl.h"

#include "framework/CPaintDC.h"
#include "framework/Handles.h"

namespace {
BarRect ToBar(const RECT& r) {
    return BarRect{r.left, r.top, r.right, r.bottom};
}
RECT ToRect(const BarRect& r) {
    return RECT{r.left, r.top, r.right, r.bottom};
}
void Fill(HDC dc, const RECT& rect, COLORREF colour) {
    UniqueBrush brush(::CreateSolidBrush(colour));
    if (brush)
        ::FillRect(dc, &rect, brush.get());
}
} // namespace

LevelBarCtrl::LevelBarCtrl()
    : m_BarColour(::GetSysColor(COLOR_WINDOWTEXT)), m_BackColour(::GetSysColor(COLOR_WINDOW)) {
    m_Layout = ComputeLevelBar(ToBar(m_ClientRect), m_Value, m_Minimum, m_Maximum);
}

void LevelBarCtrl::Recompute(BOOL redraw) {
    m_Layout = ComputeLevelBar(ToBar(m_ClientRect), m_Value, m_Minimum, m_Maximum);
    if (redraw && m_hWnd)
        Invalidate(FALSE);
}

void LevelBarCtrl::SetRange(int newMinimum, int newMaximum, BOOL redraw) {
    m_Minimum = newMinimum;
    m_Maximum = newMaximum;
    Recompute(redraw);
}

void LevelBarCtrl::SetPos(int newValue, BOOL redraw) {
    m_Value = newValue;
    Recompute(redraw);
}

void LevelBarCtrl::SetBarColor(COLORREF colour, BOOL redraw) {
    m_BarColour = colour;
    Recompute(redraw);
}

void LevelBarCtrl::SetBackColor(COLORREF colour, BOOL redraw) {
    m_BackColour = colour;
    Recompute(redraw);
}

LRESULT LevelBarCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        OnPaint();
        return 0;
    }
    case WM_SIZE: {
        return OnSize(wParam, lParam);
    }
    }
    return CStatic::WindowProc(message, wParam, lParam);
}

void LevelBarCtrl::OnPaint() {
    RECT client = {};
    GetClientRect(&client);
    if (!::EqualRect(&client, &m_ClientRect)) {
        m_ClientRect = client;
        Recompute(FALSE);
    }
    CPaintDC paint(m_hWnd);
    if (m_Layout.empty) {
        Fill(paint.get(), m_ClientRect, m_BackColour);
        return;
    }
    Fill(paint.get(), ToRect(m_Layout.unfilled), m_BackColour);
    Fill(paint.get(), ToRect(m_Layout.filled), m_BarColour);
}

LRESULT LevelBarCtrl::OnSize(WPARAM wParam, LPARAM lParam) {
    LRESULT result = CStatic::WindowProc(WM_SIZE, wParam, lParam);
    GetClientRect(&m_ClientRect);
    Recompute(TRUE);
    return result;
}
