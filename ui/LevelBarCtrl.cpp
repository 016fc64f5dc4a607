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
    : barColour(::GetSysColor(COLOR_WINDOWTEXT)), backColour(::GetSysColor(COLOR_WINDOW)) {
    layout = ComputeLevelBar(ToBar(clientRect), value, minimum, maximum);
}

void LevelBarCtrl::Recompute(BOOL redraw) {
    layout = ComputeLevelBar(ToBar(clientRect), value, minimum, maximum);
    if (redraw && m_hWnd)
        Invalidate(FALSE);
}

void LevelBarCtrl::SetRange(int newMinimum, int newMaximum, BOOL redraw) {
    minimum = newMinimum;
    maximum = newMaximum;
    Recompute(redraw);
}

void LevelBarCtrl::SetPos(int newValue, BOOL redraw) {
    value = newValue;
    Recompute(redraw);
}

void LevelBarCtrl::SetBarColor(COLORREF colour, BOOL redraw) {
    barColour = colour;
    Recompute(redraw);
}

void LevelBarCtrl::SetBackColor(COLORREF colour, BOOL redraw) {
    backColour = colour;
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
    if (!::EqualRect(&client, &clientRect)) {
        clientRect = client;
        Recompute(FALSE);
    }
    CPaintDC paint(m_hWnd);
    if (layout.empty) {
        Fill(paint.get(), clientRect, backColour);
        return;
    }
    Fill(paint.get(), ToRect(layout.unfilled), backColour);
    Fill(paint.get(), ToRect(layout.filled), barColour);
}

LRESULT LevelBarCtrl::OnSize(WPARAM wParam, LPARAM lParam) {
    LRESULT result = CStatic::WindowProc(WM_SIZE, wParam, lParam);
    GetClientRect(&clientRect);
    Recompute(TRUE);
    return result;
}
