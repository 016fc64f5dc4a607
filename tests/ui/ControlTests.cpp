#include <gtest/gtest.h>

#include <climits>

#include "tests/ui/UiTestSupport.h"
#include "ui/BMP256Ctrl.h"
#include "ui/LevelBarCtrl.h"

namespace {

constexpr COLORREF Bar = RGB(0, 0, 160);
constexpr COLORREF Back = RGB(255, 255, 255);
constexpr COLORREF Red = RGB(200, 30, 40);
constexpr COLORREF Green = RGB(30, 170, 60);
constexpr COLORREF Yellow = RGB(230, 200, 20);
constexpr COLORREF Blue = RGB(20, 60, 200);
constexpr COLORREF IconFill = RGB(250, 120, 0);

// Top-level windows are kept for a whole suite: Wine takes its time to unmap one.
class LevelBarTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { host = MakeHostWindow(300, 60); }
    static void TearDownTestSuite() { ::DestroyWindow(host); }
    void SetUp() override {
        child = MakeChild(host, "STATIC", 0, 10, 10, 100, 20, 305);
        ASSERT_TRUE(bar.SubclassWindow(child));
        bar.SetBarColor(Bar, FALSE);
        bar.SetBackColor(Back, FALSE);
    }
    void TearDown() override { ::DestroyWindow(child); }

    int FilledWidth() {
        ::UpdateWindow(child);
        Capture shot(child);
        int filled = shot.CountInRow(10, Bar);
        EXPECT_EQ(filled + shot.CountInRow(10, Back), shot.width()) << "only the two colours";
        // The filled part starts at the left edge.
        if (filled > 0) {
            EXPECT_EQ(shot.At(0, 10), Bar);
            EXPECT_EQ(shot.At(filled - 1, 10), Bar);
        }
        return filled;
    }

    static HWND host;
    HWND child = nullptr;
    LevelBarCtrl bar;
};

TEST_F(LevelBarTest, FillsTheWorkedWidthsOfAHundredPixelBar) {
    struct {
        int value, filled;
    } cases[] = {{50, 50}, {100, 100}, {1, 1}, {0, 0}, {-5, 0}, {99, 99}, {250, 100}};
    bar.SetRange(0, 100, FALSE);
    for (auto c : cases) {
        bar.SetPos(c.value, TRUE);
        EXPECT_EQ(FilledWidth(), c.filled) << "value " << c.value;
    }
}

TEST_F(LevelBarTest, ValueAtOrBelowAMovedMinimumPaintsOnlyTheBackground) {
    bar.SetRange(20, 120, FALSE);
    bar.SetPos(20, TRUE);
    EXPECT_EQ(FilledWidth(), 0);
    bar.SetPos(70, TRUE);
    EXPECT_EQ(FilledWidth(), 50);
}

TEST_F(LevelBarTest, ResizeRecomputesWithoutACallFromTheOwner) {
    bar.SetRange(0, 100, FALSE);
    bar.SetPos(50, TRUE);
    EXPECT_EQ(FilledWidth(), 50);
    ::SetWindowPos(child, nullptr, 0, 0, 200, 20, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(FilledWidth(), 100);
}

TEST_F(LevelBarTest, LargeTotalsDoNotOverflowAndEmptyRangesDoNotDivide) {
    // 32-bit arithmetic would overflow value times width here.
    bar.SetRange(0, 2000000000, FALSE);
    bar.SetPos(1000000000, TRUE);
    EXPECT_EQ(FilledWidth(), 50);
    bar.SetRange(0, INT_MAX, FALSE);
    bar.SetPos(INT_MAX, TRUE);
    EXPECT_EQ(FilledWidth(), 100);
    bar.SetRange(10, 10, FALSE);
    bar.SetPos(30, TRUE);
    EXPECT_EQ(FilledWidth(), 0);
    bar.SetRange(10, 0, FALSE);
    bar.SetPos(5, TRUE);
    EXPECT_EQ(FilledWidth(), 0);
}

TEST_F(LevelBarTest, SettersWithoutRedrawLeaveTheScreenAlone) {
    bar.SetRange(0, 100, FALSE);
    bar.SetPos(50, TRUE);
    EXPECT_EQ(FilledWidth(), 50);
    bar.SetPos(80, FALSE);
    EXPECT_EQ(FilledWidth(), 50);
    bar.SetBarColor(Bar, TRUE);
    EXPECT_EQ(FilledWidth(), 80);
}

HWND LevelBarTest::host = nullptr;

class PictureTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { host = MakeHostWindow(300, 200); }
    static void TearDownTestSuite() { ::DestroyWindow(host); }
    void SetUp() override {
        ASSERT_TRUE(resources.module());
        // A bordered static, far larger than the pictures: the paint fits it.
        child = MakeChild(host, "STATIC", WS_BORDER, 10, 10, 200, 150, 210);
        ASSERT_TRUE(picture.SubclassWindow(child));
    }
    void TearDown() override {
        picture.StopAnimation();
        ::DestroyWindow(child);
    }
    SIZE WindowSize() const {
        RECT r;
        ::GetWindowRect(child, &r);
        return SIZE{r.right - r.left, r.bottom - r.top};
    }
    Capture Paint() {
        ::UpdateWindow(child);
        return Capture(child);
    }
    void Step() {
        ::SendMessageA(child, WM_TIMER, picture.AnimationTimer(), 0);
        ::UpdateWindow(child);
    }

    ResourceModuleScope resources;
    static HWND host;
    HWND child = nullptr;
    BMP256Ctrl picture;
};

HWND PictureTest::host = nullptr;

TEST_F(PictureTest, FitsTheWindowToThePictureAndCopiesOnlyTheBlitSize) {
    COLORREF erased = Capture(child).At(100, 100);
    picture.SetBlitSize(20, 10);
    picture.SetPicture(500);
    Capture shot = Paint();
    // 40 x 30 picture plus one pixel of border on each side.
    EXPECT_EQ(WindowSize().cx, 42);
    EXPECT_EQ(WindowSize().cy, 32);
    EXPECT_EQ(shot.width(), 40);
    EXPECT_EQ(shot.At(0, 0), Red);
    EXPECT_EQ(shot.At(19, 9), Red);
    EXPECT_EQ(shot.At(20, 5), erased);
    EXPECT_EQ(shot.At(5, 10), erased);
}

TEST_F(PictureTest, ZeroBlitSizeResizesButDrawsNothing) {
    COLORREF erased = Capture(child).At(100, 100);
    picture.SetPicture(500);
    Capture shot = Paint();
    EXPECT_EQ(WindowSize().cx, 42);
    EXPECT_EQ(shot.At(0, 0), erased);
    EXPECT_EQ(shot.At(39, 29), erased);
}

TEST_F(PictureTest, DrawsSixteenAndTwoHundredFiftySixColourPicturesTrue) {
    picture.SetBlitSize(40, 30);
    picture.SetPicture(503);
    EXPECT_EQ(Paint().At(10, 10), Blue);
    picture.SetPicture(501);
    EXPECT_EQ(Paint().At(10, 10), Green);
}

TEST_F(PictureTest, BitmapsWhoseHeadersOverstateTheirSizeAreNotDrawn) {
    COLORREF erased = Capture(child).At(100, 100);
    picture.SetBlitSize(40, 30);
    for (UINT id : {510u, 511u, 512u, 999u}) {
        picture.SetPicture(id);
        Capture shot = Paint();
        EXPECT_EQ(WindowSize().cx, 200) << id << ": the window keeps its template size";
        EXPECT_EQ(shot.At(5, 5), erased) << id;
    }
}

TEST_F(PictureTest, AnimatesInOrderAndBlinksTheIconOnOddSteps) {
    picture.SetBlitSize(40, 30);
    ASSERT_EQ(picture.SetIcon(MAKEINTRESOURCEA(640), 32), 1);
    const UINT frames[] = {500, 501, 502};
    ASSERT_EQ(picture.SetAnimation(3, frames), 1);
    EXPECT_NE(picture.AnimationTimer(), 0u);

    // Picture colour and whether the icon's fill shows at the top-right corner.
    auto state = [&](COLORREF* colour) {
        Capture shot = Paint();
        *colour = shot.At(2, 20);
        return shot.At(40 - 32 + 10, 10) == IconFill;
    };
    COLORREF colour;
    EXPECT_FALSE(state(&colour));
    EXPECT_EQ(colour, Red);
    const COLORREF sequence[] = {Green, Yellow, Red, Green, Yellow, Red};
    for (int step = 1; step <= 6; ++step) {
        Step();
        bool icon = state(&colour);
        EXPECT_EQ(colour, sequence[step - 1]) << "step " << step;
        EXPECT_EQ(icon, step % 2 == 1) << "step " << step;
    }
}

TEST_F(PictureTest, ForeignTimersAndRefusedAnimationsLeaveTheRunningOneAlone) {
    const UINT frames[] = {500, 501, 502};
    ASSERT_EQ(picture.SetAnimation(3, frames), 1);
    UINT_PTR timer = picture.AnimationTimer();
    ::SendMessageA(child, WM_TIMER, 7, 0);
    EXPECT_EQ(picture.PictureId(), 500u);
    EXPECT_EQ(picture.SetAnimation(0, frames), 0);
    EXPECT_EQ(picture.SetAnimation(3, nullptr), 0);
    EXPECT_EQ(picture.AnimationTimer(), timer);
    Step();
    EXPECT_EQ(picture.PictureId(), 501u);

    const UINT still = 503;
    EXPECT_EQ(picture.SetAnimation(1, &still), 1);
    EXPECT_EQ(picture.AnimationTimer(), 0u);
    EXPECT_EQ(picture.PictureId(), 503u);
    Step();
    EXPECT_EQ(picture.PictureId(), 503u);
}

TEST_F(PictureTest, SettingTheSameIconAgainKeepsTheFirstOffset) {
    picture.SetBlitSize(40, 30);
    ASSERT_EQ(picture.SetIcon(MAKEINTRESOURCEA(640), 32), 1);
    ASSERT_EQ(picture.SetIcon(MAKEINTRESOURCEA(640), 40), 1);
    const UINT frames[] = {500, 501};
    picture.SetAnimation(2, frames);
    Step(); // blink phase 1
    Capture shot = Paint();
    EXPECT_EQ(shot.At(8, 0), RGB(120, 60, 0)) << "icon border at client width - 32";
    EXPECT_NE(shot.At(0, 5), IconFill);
    EXPECT_EQ(picture.SetIcon(MAKEINTRESOURCEA(9999), 32), 0);
}

} // namespace
