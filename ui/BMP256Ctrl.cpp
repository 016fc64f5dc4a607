#include "ui/BMP256Ctrl.h"

#include <new>

#include "framework/CPaintDC.h"
#include "framework/Handles.h"
#include "framework/ResourceModule.h"

BMP256Ctrl::~BMP256Ctrl() {
    FreePalette();
}

int BMP256Ctrl::SetPicture(UINT id) {
    pictureId = id;
    Invalidate(TRUE);
    return 1;
}

int BMP256Ctrl::SetBlitSize(int width, int height) {
    blitWidth = width;
    blitHeight = height;
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
    frameList = std::move(list);
    frameIndex = 0;
    frameCount = count;
    SetPicture(frameList[0]);
    animationTimer = SetTimer(AnimationTimerId, AnimationInterval);
    return 1;
}

void BMP256Ctrl::StopAnimation() {
    if (animationTimer) {
        KillTimer(animationTimer);
        animationTimer = 0;
    }
    animationPaused = false;
    frameList.reset();
}

int BMP256Ctrl::SetIcon(LPCSTR name, int rightOffset) {
    if (name == iconName)
        return 1;
    iconName = name;
    iconRightOffset = rightOffset;
    if (!name)
        return 1;
    // An icon of its own, destroyed with the control: icons shared with the
    // resource module are never freed when that module is mapped for its
    // resources only.
    iconHandle.reset(static_cast<HICON>(
        ::LoadImageA(AfxGetResourceHandle(), name, IMAGE_ICON, 0, 0, LR_DEFAULTSIZE)));
    return iconHandle ? 1 : 0;
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
    if (!animationTimer || timerId != animationTimer || !frameList || frameCount == 0)
        return CStatic::WindowProc(WM_TIMER, timerId, lParam);
    // Nobody sees a hidden picture: its steps wait for the next paint.
    if (!IsWindowVisible()) {
        KillTimer(animationTimer);
        animationTimer = 0;
        animationPaused = true;
        return 0;
    }
    frameIndex = frameIndex < frameCount - 1 ? frameIndex + 1 : 0;
    blinkPhase = blinkPhase ? 0 : 1;
    SetPicture(frameList[frameIndex]);
    return 0;
}

void BMP256Ctrl::FreePalette() {
    m_Palette.reset();
}

bool BMP256Ctrl::LocatePicture() {
    HINSTANCE module = pictureModule ? pictureModule : AfxGetResourceHandle();
    WindowDC dc(m_hWnd);
    HRSRC found = ::FindResourceA(module, MAKEINTRESOURCEA(pictureId & 0xFFFF), RT_BITMAP);
    HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    DWORD size = found ? ::SizeofResource(module, found) : 0;
    // The header's sizes and counts are believed only as far as the resource reaches.
    if (!data || !ComputeDibLayout(static_cast<const unsigned char*>(data), size, &layout)) {
        bitmapHeader = nullptr;
        return false;
    }
    bitmapHeader = static_cast<const unsigned char*>(data);

    int bitsPixel = dc ? ::GetDeviceCaps(dc.get(), BITSPIXEL) : 0;
    int rasterCaps = dc ? ::GetDeviceCaps(dc.get(), RASTERCAPS) : 0;
    if (UseBitmapPalette(layout.colours, bitsPixel, rasterCaps) && layout.colourEntries >= 256) {
        FreePalette();
        m_Palette.reset(new (std::nothrow) PaletteBlock);
        if (m_Palette) {
            m_Palette->palVersion = 0x300;
            m_Palette->palNumEntries = 256;
            for (UINT i = 0; i < 256; ++i) {
                DibColour colour = DibColourAt(bitmapHeader, layout, i);
                m_Palette->palPalEntry[i] = {colour.red, colour.green, colour.blue, 0};
            }
        }
    }
    return true;
}

void BMP256Ctrl::OnPaint() {
    CPaintDC paint(m_hWnd);
    if (animationPaused && frameList) {
        animationPaused = false;
        animationTimer = SetTimer(AnimationTimerId, AnimationInterval);
    }
    if (!LocatePicture())
        return;
    HDC dc = paint.get();

    RECT window = {}, client = {};
    GetWindowRect(&window);
    GetClientRect(&client);
    int extraWidth = (window.right - window.left) - (client.right - client.left);
    int extraHeight = (window.bottom - window.top) - (client.bottom - client.top);
    SetWindowPos(nullptr, 0, 0, static_cast<int>(layout.width) + extraWidth,
                 static_cast<int>(layout.height) + extraHeight,
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
        const auto* info = reinterpret_cast<const BITMAPINFO*>(bitmapHeader);
        UniqueBitmap bitmap(::CreateDIBitmap(dc, &info->bmiHeader, CBM_INIT,
                                             bitmapHeader + layout.bitsOffset, info,
                                             DIB_RGB_COLORS));
        UniqueMemoryDC memory(::CreateCompatibleDC(dc));
        if (bitmap && memory) {
            SelectedObject selected(memory.get(), bitmap.get());
            if (selected.ok())
                ::BitBlt(dc, 0, 0, blitWidth, blitHeight, memory.get(), 0, 0, SRCCOPY);
        }
        // Placed against the fitted window's right edge.
        GetClientRect(&client);
        if (iconName && blinkPhase == 1)
            ::DrawIcon(dc, client.right - iconRightOffset, 0, iconHandle.get());
    }

    if (m_Palette) {
        if (previousPalette)
            ::SelectPalette(dc, previousPalette, FALSE);
        palette.reset();
        FreePalette();
    }
}
