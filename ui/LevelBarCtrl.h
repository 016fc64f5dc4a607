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

    const LevelBarLayout& Layout() const noexcept { return layout; }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Recompute(BOOL redraw);
    void OnPaint();
    LRESULT OnSize(WPARAM wParam, LPARAM lParam);

    int value = 0;
    int maximum = 100;
    int minimum = 0;
    COLORREF barColour;
    COLORREF backColour;
    RECT clientRect = {};
    LevelBarLayout layout;
};
