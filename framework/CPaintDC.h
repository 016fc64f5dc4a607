#pragma once
#include <windows.h>

// BeginPaint / EndPaint for one WM_PAINT.
class CPaintDC {
public:
    explicit CPaintDC(HWND hwnd) noexcept : m_Window(hwnd) { m_Dc = ::BeginPaint(hwnd, &m_Paint); }
    ~CPaintDC() { ::EndPaint(m_Window, &m_Paint); }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;

    HDC get() const noexcept { return m_Dc; }
    const PAINTSTRUCT& paint() const noexcept { return m_Paint; }

private:
    HWND m_Window;
    PAINTSTRUCT m_Paint = {};
    HDC m_Dc = nullptr;
};
