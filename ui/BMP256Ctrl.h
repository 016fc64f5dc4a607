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
    void SetPictureModule(HINSTANCE module) { pictureModule = module; }

    static constexpr UINT_PTR AnimationTimerId = 20;
    static constexpr UINT AnimationInterval = 500;

    UINT PictureId() const noexcept { return pictureId; }
    UINT FrameIndex() const noexcept { return frameIndex; }
    int BlinkPhase() const noexcept { return blinkPhase; }
    UINT_PTR AnimationTimer() const noexcept { return animationTimer; }
    bool AnimationPaused() const noexcept { return animationPaused; }
    LPCSTR IconName() const noexcept { return iconName; }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void OnPaint();
    LRESULT OnTimer(WPARAM timerId, LPARAM lParam);
    // Finds the current picture and builds its palette when the display needs one.
    bool LocatePicture();
    void FreePalette();

    LPCSTR iconName = nullptr;
    int blitWidth = 0;
    int blitHeight = 0;
    UINT pictureId = 0;
    int iconRightOffset = 0;
    int blinkPhase = 0;
    UniqueIcon iconHandle;
    const unsigned char* bitmapHeader = nullptr;
    DibLayout layout;
    // A LOGPALETTE with room for 256 entries.
    struct PaletteBlock {
        WORD palVersion;
        WORD palNumEntries;
        PALETTEENTRY palPalEntry[256];
    };
    static_assert(offsetof(PaletteBlock, palPalEntry) == offsetof(LOGPALETTE, palPalEntry),
                  "the block is a LOGPALETTE with 256 entries");
    std::unique_ptr<PaletteBlock> m_Palette;
    std::unique_ptr<UINT[]> frameList;
    UINT frameIndex = 0;
    UINT frameCount = 0;
    UINT_PTR animationTimer = 0;
    bool animationPaused = false;
    HINSTANCE pictureModule = nullptr;
};
