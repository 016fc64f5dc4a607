#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "framework/CStatic.h"
#include "framework/Handles.h"
#include "ui/DibLayout.h"

// A picture control: shows one bitmap resource of a picture library (or of the
// current resource module), realising the picture's own palette for 256-colour
// pictures on palette displays; steps through a list of pictures every 500 ms; lays
// an icon over the top-right corner on every second step. An animation whose
// control is hidden (itself or with its window) pauses at its next step and goes
// on when the control is painted again. The window is fitted to
// the picture at each paint; only the blit size of it is copied.
//
// The owner stops the animation before the window goes away (the destructor frees
// the frame list but leaves the timer alone).
class BMP256Ctrl : public CStatic {
public:
    BMP256Ctrl() = default;
    ~BMP256Ctrl() override;

    int SetPicture(UINT pictureId);
    int SetBlitSize(int width, int height);
    // One id: shows it still. Two or more: shows the first and starts the animation.
    int SetAnimation(UINT count, const UINT* ids);
    void StopAnimation();
    // Overlay icon from the current resource module; null clears it.
    int SetIcon(LPCSTR iconName, int rightOffset);
    void SetPictureModule(HINSTANCE module) { m_hPictureModule = module; }

    static constexpr UINT_PTR AnimationTimerId = 20;
    static constexpr UINT AnimationInterval = 500;

    UINT PictureId() const noexcept { return m_PictureId; }
    UINT FrameIndex() const noexcept { return m_FrameIndex; }
    int BlinkPhase() const noexcept { return m_BlinkPhase; }
    UINT_PTR AnimationTimer() const noexcept { return m_AnimationTimer; }
    bool AnimationPaused() const noexcept { return m_AnimationPaused; }
    LPCSTR IconName() const noexcept { return m_IconName; }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void OnPaint();
    LRESULT OnTimer(WPARAM timerId, LPARAM lParam);
    // Finds the current picture and builds its palette when the display needs one.
    bool LocatePicture();
    void FreePalette();

    LPCSTR m_IconName = nullptr;
    int m_BlitWidth = 0;
    int m_BlitHeight = 0;
    UINT m_PictureId = 0;
    int m_IconRightOffset = 0;
    int m_BlinkPhase = 0;
    UniqueIcon m_Icon;
    const unsigned char* m_BitmapHeader = nullptr;
    DibLayout m_Layout;
    // A LOGPALETTE with room for 256 entries.
    struct PaletteBlock {
        WORD palVersion;
        WORD palNumEntries;
        PALETTEENTRY palPalEntry[256];
    };
    static_assert(offsetof(PaletteBlock, palPalEntry) == offsetof(LOGPALETTE, palPalEntry),
                  "the block is a LOGPALETTE with 256 entries");
    std::unique_ptr<PaletteBlock> m_Palette;
    std::unique_ptr<UINT[]> m_FrameList;
    UINT m_FrameIndex = 0;
    UINT m_FrameCount = 0;
    UINT_PTR m_AnimationTimer = 0;
    bool m_AnimationPaused = false;
    HINSTANCE m_hPictureModule = nullptr;
};
