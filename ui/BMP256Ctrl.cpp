#include "ui/BMP256Ctrl.h"

#include <new>

#include "framework/CPaintDC.h"
#include "framework/Handles.h"
#include "framework/ResourceModule.h"

BMP256Ctrl::~BMP256Ctrl() {
    FreePalette();
}

int BMP256Ctrl::SetPicture(UINT id) {
    m_PictureId = id;
    Invalidate(TRUE);
    return 1;
}

int BMP256Ctrl::SetBlitSize(int width, int height) {
    m_BlitWidth = width;
    m_BlitHeight = height;
    return 1;
}

int BMP256Ctrl::SetAnimation(UINT count, const UINT* ids) {
    if (count == 0 || !ids)
        return 0;
    StopAnimation();
    if (count == 1)
        return SetPicture(ids[0]);
    std::unique_ptr<UINT[]> list(new (std::nothrow) UINT[count]);
    if (!list) {
        SetPicture(ids[count - 1]);
        return 0;
    }
    for (UINT i = 0; i < count; ++i)
        list[i] = ids[i];
    m_FrameList = std::move(list);
    m_FrameIndex = 0;
    m_FrameCount = count;
    SetPicture(m_FrameList[0]);
    m_AnimationTimer = SetTimer(AnimationTimerId, AnimationInterval);
    return 1;
}

void BMP256Ctrl::StopAnimation() {
    if (m_AnimationTimer) {
        KillTimer(m_AnimationTimer);
        m_AnimationTimer = 0;
    }
    m_AnimationPaused = false;
    m_FrameList.reset();
}

int BMP256Ctrl::SetIcon(LPCSTR name, int rightOffset) {
    if (name == m_IconName)
        return 1;
    m_IconName = name;
    m_IconRightOffset = rightOffset;
    if (!name)
        return 1;
    // An icon of its own, destroyed with the control: icons shared with the
    // resource module are never freed when that module is mapped for its
    // resources only.
    m_Icon.reset(static_cast<HICON>(
        ::LoadImageA(AfxGetResourceHandle(), name, IMAGE_ICON, 0, 0, LR_DEFAULTSIZE)));
    return m_Icon ? 1 : 0;
}

LRESULT BMP256Ctrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        OnPaint();
        return 0;
    }
    case WM_TIMER: {
        return OnTimer(wParam, lParam);
    }
    }
    return CStatic::WindowProc(message, wParam, lParam);
}

LRESULT BMP256Ctrl::OnTimer(WPARAM timerId, LPARAM lParam) {
    if (!m_AnimationTimer || timerId != m_AnimationTimer || !m_FrameList || m_FrameCount == 0)
        return CStatic::WindowProc(WM_TIMER, timerId, lParam);
    // Nobody sees a hidden picture: its steps wait for the next paint.
    if (!IsWindowVisible()) {
        KillTimer(m_AnimationTimer);
        m_AnimationTimer = 0;
        m_AnimationPaused = true;
        return 0;
    }
    m_FrameIndex = m_FrameIndex < m_FrameCount - 1 ? m_FrameIndex + 1 : 0;
    m_BlinkPhase = m_BlinkPhase ? 0 : 1;
    SetPicture(m_FrameList[m_FrameIndex]);
    return 0;
}

void BMP256Ctrl::FreePalette() {
    m_Palette.reset();
}

bool BMP256Ctrl::LocatePicture() {
    HINSTANCE module = m_hPictureModule ? m_hPictureModule : AfxGetResourceHandle();
    WindowDC dc(m_hWnd);
    HRSRC found = ::FindResourceA(module, MAKEINTRESOURCEA(m_PictureId & 0xFFFF), RT_BITMAP);
    HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    DWORD size = found ? ::SizeofResource(module, found) : 0;
    // The header's sizes and counts are believed only as far as the resource reaches.
    if (!data || !ComputeDibLayout(static_cast<const unsigned char*>(data), size, &m_Layout)) {
        m_BitmapHeader = nullptr;
        return false;
    }
    m_BitmapHeader = static_cast<const unsigned char*>(data);

    int bitsPixel = dc ? ::GetDeviceCaps(dc.get(), BITSPIXEL) : 0;
    int rasterCaps = dc ? ::GetDeviceCaps(dc.get(), RASTERCAPS) : 0;
    if (UseBitmapPalette(m_Layout.colours, bitsPixel, rasterCaps) &&
        m_Layout.colourEntries >= 256) {
        FreePalette();
        m_Palette.reset(new (std::nothrow) PaletteBlock);
        if (m_Palette) {
            m_Palette->palVersion = 0x300;
            m_Palette->palNumEntries = 256;
            for (UINT i = 0; i < 256; ++i) {
                DibColour colour = DibColourAt(m_BitmapHeader, m_Layout, i);
                m_Palette->palPalEntry[i] = {colour.red, colour.green, colour.blue, 0};
            }
        }
    }
    return true;
}

void BMP256Ctrl::OnPaint() {
    CPaintDC paint(m_hWnd);
    if (m_AnimationPaused && m_FrameList) {
        m_AnimationPaused = false;
        m_AnimationTimer = SetTimer(AnimationTimerId, AnimationInterval);
    }
    if (!LocatePicture())
        return;
    HDC dc = paint.get();

    RECT window = {}, client = {};
    GetWindowRect(&window);
    GetClientRect(&client);
    int extraWidth = (window.right - window.left) - (client.right - client.left);
    int extraHeight = (window.bottom - window.top) - (client.bottom - client.top);
    SetWindowPos(nullptr, 0, 0, static_cast<int>(m_Layout.width) + extraWidth,
                 static_cast<int>(m_Layout.height) + extraHeight,
                 SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);

    UniquePalette palette;
    HPALETTE previousPalette = nullptr;
    if (m_Palette) {
        palette.reset(::CreatePalette(reinterpret_cast<const LOGPALETTE*>(m_Palette.get())));
        if (palette) {
            previousPalette = ::SelectPalette(dc, palette.get(), FALSE);
            ::RealizePalette(dc);
        }
    }

    {
        const auto* info = reinterpret_cast<const BITMAPINFO*>(m_BitmapHeader);
        UniqueBitmap bitmap(::CreateDIBitmap(dc, &info->bmiHeader, CBM_INIT,
                                             m_BitmapHeader + m_Layout.bitsOffset, info,
                                             DIB_RGB_COLORS));
        UniqueMemoryDC memory(::CreateCompatibleDC(dc));
        if (bitmap && memory) {
            SelectedObject selected(memory.get(), bitmap.get());
            if (selected.ok())
                ::BitBlt(dc, 0, 0, m_BlitWidth, m_BlitHeight, memory.get(), 0, 0, SRCCOPY);
        }
        // Placed against the fitted window's right edge.
        GetClientRect(&client);
        if (m_IconName && m_BlinkPhase == 1)
            ::DrawIcon(dc, client.right - m_IconRightOffset, 0, m_Icon.get());
    }

    if (m_Palette) {
        if (previousPalette)
            ::SelectPalette(dc, previousPalette, FALSE);
        palette.reset();
        FreePalette();
    }
}
