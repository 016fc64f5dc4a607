#pragma once
#include <windows.h>

#include "framework/CStatic.h"
#include "ui/LevelBarGeometry.h"

// A flat level bar: the part of the client area that corresponds to the value
// within the range is filled with the bar colour, the rest with the background
// colour. Each setter recomputes the geometry and, with redraw set, invalidates the
// control (no background erase). A resize recomputes and redraws by itself.
class LevelBarCtrl : public CStatic {
public:
    LevelBarCtrl();

    void SetRange(int minimum, int maximum, BOOL redraw);
    void SetPos(int value, BOOL redraw);
    void SetBarColor(COLORREF colour, BOOL redraw);
    void SetBackColor(COLORREF colour, BOOL redraw);

    const LevelBarLayout& Layout() const noexcept { return m_Layout; }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Recompute(BOOL redraw);
    void OnPaint();
    LRESULT OnSize(WPARAM wParam, LPARAM lParam);

    int m_Value = 0;
    int m_Maximum = 100;
    int m_Minimum = 0;
    COLORREF m_BarColour;
    COLORREF m_BackColour;
    RECT m_ClientRect = {};
    LevelBarLayout m_Layout;
};
