// The ink library's level control, driven through its four messages and read
// back pixel by pixel from what it paints into a bitmap.
#include <gtest/gtest.h>

#include "ResourceTestSupport.h"

using restest::LooksLikeInk;

namespace {

constexpr UINT kInk = WM_USER;

struct Image {
    int width = 0, height = 0;
    std::vector<COLORREF> pixels;
    COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

bool IsAmber(COLORREF c) {
    return GetRValue(c) > 200 && GetGValue(c) > 110 && GetGValue(c) < 200 && GetBValue(c) < 60;
}

bool IsRed(COLORREF c) {
    return GetRValue(c) > 180 && GetGValue(c) < 70 && GetBValue(c) < 70;
}

int Saturation(COLORREF c) {
    const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
    return std::max({r, g, b}) - std::min({r, g, b});
}

class InkControl : public ::testing::Test {
protected:
    void SetUp() override {
        library_ = restest::LoadModule("KVRINK.DLL");
        ASSERT_TRUE(library_);
        parent_ = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, nullptr,
                                nullptr);
        ASSERT_NE(parent_, nullptr);
    }
    void TearDown() override {
        if (parent_)
            DestroyWindow(parent_);
    }

    HWND Make(int colourIndex, int width = 200, int height = 20, const char* label = "") {
        HWND h = CreateWindowA("KvrInkLevel", label, WS_CHILD | WS_VISIBLE, 0, 0, width, height,
                               parent_, nullptr, nullptr, nullptr);
        EXPECT_NE(h, nullptr);
        if (h && colourIndex) {
            EXPECT_EQ(SendMessageA(h, kInk, 9, colourIndex), 1);
        }
        return h;
    }

    static Image Render(HWND h) {
        RECT r;
        GetClientRect(h, &r);
        Image img;
        img.width = r.right;
        img.height = r.bottom;
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = img.width;
        bi.bmiHeader.biHeight = -img.height;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        ReleaseDC(nullptr, screen);
        HGDIOBJ old = SelectObject(dc, bmp);
        SendMessageA(h, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
        GdiFlush();
        const auto* p = static_cast<const DWORD*>(bits);
        for (int i = 0; i < img.width * img.height; ++i)
            img.pixels.push_back(RGB((p[i] >> 16) & 255, (p[i] >> 8) & 255, p[i] & 255));
        SelectObject(dc, old);
        DeleteObject(bmp);
        DeleteDC(dc);
        return img;
    }

    // Ink-coloured pixels across the middle row (or up the middle column).
    static int Fill(HWND h, int colourIndex, bool vertical = false) {
        const Image img = Render(h);
        int n = 0;
        if (vertical) {
            for (int y = 0; y < img.height; ++y)
                n += LooksLikeInk(colourIndex, img.At(img.width / 2, y)) ? 1 : 0;
        } else {
            for (int x = 0; x < img.width; ++x)
                n += LooksLikeInk(colourIndex, img.At(x, img.height / 2)) ? 1 : 0;
        }
        return n;
    }

    template <typename Pred> static int Count(HWND h, Pred pred) {
        int n = 0;
        for (COLORREF c : Render(h).pixels)
            n += pred(c) ? 1 : 0;
        return n;
    }

    static LRESULT Send(HWND h, WPARAM what, const LONG* block) {
        return SendMessageA(h, kInk, what, reinterpret_cast<LPARAM>(block));
    }

    HWND parent_ = nullptr;

private:
    UniqueModule library_;
};

} // namespace

TEST_F(InkControl, FillFollowsTheLevelOfItsOwnInk) {
    HWND h = Make(2);
    LONG full[14] = {6, 30, 100};
    ASSERT_EQ(Send(h, 10, full), 1);
    const int whole = Fill(h, 2);
    ASSERT_GT(whole, 40);
    for (int level : {50, 25, 1}) {
        LONG block[14] = {6, 30, level};
        Send(h, 10, block);
        EXPECT_NEAR(Fill(h, 2), whole * level / 100.0, 2.0) << "level " << level;
    }
    LONG over[14] = {6, 30, 180};
    Send(h, 10, over);
    EXPECT_EQ(Fill(h, 2), whole) << "levels above 100 show a full bar";
    LONG empty[14] = {6, 30, 0};
    Send(h, 10, empty);
    EXPECT_EQ(Fill(h, 2), 0);
}

TEST_F(InkControl, EachControlTakesTheLevelAtItsColourIndex) {
    LONG block[14] = {6, 10, 20, 30, 40, 50, 60};
    LONG full[14] = {6, 100, 100, 100, 100, 100, 100};
    for (int index = 1; index <= 6; ++index) {
        HWND h = Make(index);
        Send(h, 10, full);
        const int whole = Fill(h, index);
        ASSERT_GT(whole, 40) << "ink " << index;
        Send(h, 10, block);
        EXPECT_NEAR(Fill(h, index), whole * index * 10 / 100.0, 2.0) << "ink " << index;
        for (int other = 1; other <= 6; ++other)
            if (other != index && other != 1) {
                EXPECT_EQ(Fill(h, other), 0) << "ink " << index << " drawn as ink " << other;
            }
        DestroyWindow(h);
    }
}

// The owner repeats the levels at every status poll: the same block draws nothing.
TEST_F(InkControl, OnlyAChangeIsRedrawn) {
    ShowWindow(parent_, SW_SHOWNA); // a hidden window collects no update region
    HWND h = Make(2);
    LONG block[14] = {6, 10, 20};
    auto pending = [h] {
        RECT r;
        return GetUpdateRect(h, &r, FALSE) != FALSE;
    };
    EXPECT_EQ(SendMessageA(h, kInk, 10, reinterpret_cast<LPARAM>(block)), 1);
    ValidateRect(h, nullptr);
    EXPECT_EQ(SendMessageA(h, kInk, 10, reinterpret_cast<LPARAM>(block)), 1);
    EXPECT_FALSE(pending()) << "same level";
    block[2] = 25;
    SendMessageA(h, kInk, 10, reinterpret_cast<LPARAM>(block));
    EXPECT_TRUE(pending()) << "new level";
    ValidateRect(h, nullptr);
    SendMessageA(h, kInk, 11, reinterpret_cast<LPARAM>(block));
    EXPECT_TRUE(pending()) << "a mark";
}

TEST_F(InkControl, ColourIndexOutsideOneToSixIsRefused) {
    HWND h = Make(3);
    EXPECT_EQ(SendMessageA(h, kInk, 9, 0), 0);
    EXPECT_EQ(SendMessageA(h, kInk, 9, 7), 0);
    EXPECT_EQ(SendMessageA(h, kInk, 9, -1), 0);
    EXPECT_EQ(SendMessageA(h, kInk, 13, 0), 0) << "unknown request";
    LONG block[14] = {6, 0, 0, 80};
    Send(h, 10, block);
    EXPECT_GT(Fill(h, 3), 0) << "the control kept its ink";
}

TEST_F(InkControl, ZeroBlockNullPointerAndShortBlockClear) {
    HWND h = Make(3);
    LONG level[14] = {6, 0, 0, 70};
    Send(h, 10, level);
    ASSERT_GT(Fill(h, 3), 0);
    LONG zero[14] = {6};
    Send(h, 10, zero);
    EXPECT_EQ(Fill(h, 3), 0) << "all-zero block";

    Send(h, 10, level);
    ASSERT_GT(Fill(h, 3), 0);
    EXPECT_EQ(Send(h, 10, nullptr), 1);
    EXPECT_EQ(Fill(h, 3), 0) << "null block";

    LONG shortBlock[14] = {2, 50, 50, 70};
    Send(h, 10, shortBlock);
    EXPECT_EQ(Fill(h, 3), 0) << "a block that does not reach this ink";
    Send(h, 11, nullptr);
    Send(h, 12, nullptr);
}

TEST_F(InkControl, WarningMarksShowAndResetWithTheNextLevel) {
    HWND h = Make(2);
    LONG block[14] = {6, 50, 40};
    Send(h, 10, block);
    EXPECT_EQ(Count(h, IsAmber), 0);
    EXPECT_EQ(Count(h, IsRed), 0);
    const int level = Fill(h, 2);
    ASSERT_GT(level, 0);

    ASSERT_EQ(Send(h, 11, block), 1);
    EXPECT_GT(Count(h, IsAmber), 10) << "first mark (low)";
    EXPECT_EQ(Count(h, IsRed), 0);
    EXPECT_EQ(Fill(h, 2), level) << "the mark keeps the level";

    ASSERT_EQ(Send(h, 12, block), 1);
    EXPECT_GT(Count(h, IsRed), 10) << "second mark (out)";
    EXPECT_EQ(Count(h, IsAmber), 0);

    Send(h, 10, block);
    EXPECT_EQ(Count(h, IsAmber), 0);
    EXPECT_EQ(Count(h, IsRed), 0);

    // An ink reported at 0 is cleared, and still carries its mark.
    LONG out[14] = {6};
    Send(h, 10, out);
    Send(h, 12, out);
    EXPECT_GT(Count(h, IsRed), 10);
}

TEST_F(InkControl, DisabledControlIsDrawnGrey) {
    HWND h = Make(2);
    LONG block[14] = {6, 0, 60};
    Send(h, 10, block);
    Send(h, 11, block);
    ASSERT_GT(Fill(h, 2), 0);
    EnableWindow(h, FALSE);
    EXPECT_EQ(Fill(h, 2), 0);
    EXPECT_EQ(Count(h, [](COLORREF c) { return Saturation(c) > 80; }), 0);
    EnableWindow(h, TRUE);
    EXPECT_GT(Fill(h, 2), 0);
}

TEST_F(InkControl, TallControlFillsFromTheBottom) {
    HWND h = Make(4, 24, 120);
    LONG full[14] = {6, 0, 0, 0, 100};
    Send(h, 10, full);
    const int whole = Fill(h, 4, true);
    ASSERT_GT(whole, 40);
    LONG half[14] = {6, 0, 0, 0, 50};
    Send(h, 10, half);
    EXPECT_NEAR(Fill(h, 4, true), whole / 2.0, 2.0);
    const Image img = Render(h);
    int lowest = -1, highest = img.height;
    for (int y = 0; y < img.height; ++y)
        if (LooksLikeInk(4, img.At(img.width / 2, y))) {
            lowest = y;
            highest = std::min(highest, y);
        }
    ASSERT_GE(lowest, 0);
    EXPECT_GT(highest, img.height / 3) << "the fill starts at the bottom";
}

TEST_F(InkControl, LabelIsItsWindowText) {
    auto dark = [](COLORREF c) {
        return GetRValue(c) < 100 && GetGValue(c) < 100 && GetBValue(c) < 100;
    };
    HWND labelled = Make(5, 200, 20, "Light Cyan");
    HWND bare = Make(5, 200, 20, "");
    EXPECT_GT(Count(labelled, dark), 10);
    EXPECT_EQ(Count(bare, dark), 0);
}

TEST_F(InkControl, NeverReadsPastTheFourteenValues) {
    // The block ends at a page that cannot be read: a control that looked at
    // a fifteenth value would fault.
    SYSTEM_INFO si;
    GetSystemInfo(&si);
    BYTE* pages = static_cast<BYTE*>(
        VirtualAlloc(nullptr, si.dwPageSize * 2, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(pages, nullptr);
    DWORD old = 0;
    ASSERT_TRUE(VirtualProtect(pages + si.dwPageSize, si.dwPageSize, PAGE_NOACCESS, &old));
    LONG* block = reinterpret_cast<LONG*>(pages + si.dwPageSize) - 14;
    HWND h = Make(6);
    // Zero levels make a scan for the all-zero block run to its end.
    for (LONG value : {0L, 40L})
        for (LONG count : {6L, 13L, 14L, 1000L, -5L, 0x7FFFFFFFL}) {
            for (int i = 1; i < 14; ++i)
                block[i] = value;
            block[0] = count;
            for (WPARAM what : {WPARAM(10), WPARAM(11), WPARAM(12)})
                Send(h, what, block);
            Render(h);
        }
    for (int i = 1; i < 14; ++i)
        block[i] = 40;
    block[0] = 6;
    Send(h, 10, block);
    EXPECT_GT(Fill(h, 6), 0);
    VirtualFree(pages, 0, MEM_RELEASE);
}
