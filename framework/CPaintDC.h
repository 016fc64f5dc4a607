#pragma once
#include <windows.h>

// BeginPaint / EndPaint for one WM_PAINT.
class CPaintDC {
public:
    explicit CPaintDC(HWND hwnd) noexcept : hwnd_(hwnd) { dc_ = ::BeginPaint(hwnd, &ps_); }
    ~CPaintDC() { ::EndPaint(hwnd_, &ps_); }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;

    HDC get() const noexcept { return dc_; }
    const PAINTSTRUCT& paint() const noexcept { return ps_; }

private:
    HWND hwnd_;
    PAINTSTRUCT ps_ = {};
    HDC dc_ = nullptr;
};
