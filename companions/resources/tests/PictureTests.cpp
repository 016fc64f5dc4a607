// The picture library: every picture the window asks for, in the format the
// picture control handles (a 256-colour bitmap), at the size it blits, and
// animations whose frames can be told apart.
#include <gtest/gtest.h>

#include "ResourceTestSupport.h"

using restest::LoadModule;

namespace {

// A bitmap resource decoded to colours, with the checks on its layout made
// on the way; `error` says what was wrong.
struct Picture {
    int width = 0, height = 0;
    std::vector<COLORREF> pixels; // top row first
    std::string error;

    COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

Picture Decode(HMODULE module, int id) {
    Picture p;
    HRSRC res = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2)); // RT_BITMAP
    HGLOBAL data = res ? LoadResource(module, res) : nullptr;
    const BYTE* bytes = data ? static_cast<const BYTE*>(LockResource(data)) : nullptr;
    if (!bytes) {
        p.error = "missing";
        return p;
    }
    const DWORD size = SizeofResource(module, res);
    if (size < sizeof(BITMAPINFOHEADER)) {
        p.error = "too short for a header";
        return p;
    }
    const auto* h = reinterpret_cast<const BITMAPINFOHEADER*>(bytes);
    if (h->biSize != sizeof(BITMAPINFOHEADER) || h->biBitCount != 8 || h->biCompression != BI_RGB ||
        h->biPlanes != 1) {
        p.error = "not an uncompressed 8-bit bitmap";
        return p;
    }
    const DWORD colours = h->biClrUsed ? h->biClrUsed : 256;
    if (colours != 256) {
        p.error = "colour table of " + std::to_string(colours) + " entries";
        return p;
    }
    if (h->biWidth <= 0 || h->biHeight <= 0) {
        p.error = "not a bottom-up bitmap";
        return p;
    }
    p.width = h->biWidth;
    p.height = h->biHeight;
    const size_t stride = (static_cast<size_t>(p.width) + 3) & ~size_t(3);
    const size_t needed = h->biSize + 4 * colours + stride * p.height;
    if (size < needed) {
        p.error = "bits cut short";
        return p;
    }
    const RGBQUAD* table = reinterpret_cast<const RGBQUAD*>(bytes + h->biSize);
    const BYTE* bits = bytes + h->biSize + 4 * colours;
    p.pixels.resize(static_cast<size_t>(p.width) * p.height);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const RGBQUAD& q = table[bits[static_cast<size_t>(p.height - 1 - y) * stride + x]];
            p.pixels[static_cast<size_t>(y) * p.width + x] = RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
        }
    return p;
}

int Distance(COLORREF a, COLORREF b) {
    return abs(GetRValue(a) - GetRValue(b)) + abs(GetGValue(a) - GetGValue(b)) +
           abs(GetBValue(a) - GetBValue(b));
}

// Pixels that differ clearly between two frames.
int Changed(const Picture& a, const Picture& b) {
    int n = 0;
    for (size_t i = 0; i < a.pixels.size() && i < b.pixels.size(); ++i)
        n += Distance(a.pixels[i], b.pixels[i]) > 60 ? 1 : 0;
    return n;
}

class PictureLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        module_ = LoadModule("KVRBMP.DLL");
        ASSERT_TRUE(module_);
    }
    Picture Get(int id) const { return Decode(module_.get(), id); }

private:
    UniqueModule module_;
};

} // namespace

TEST_F(PictureLibrary, EveryPictureIsA256ColourBitmapOfItsSize) {
    for (int id : restest::kStatusPictures) {
        const Picture p = Get(id);
        ASSERT_EQ(p.error, "") << "picture " << id;
        EXPECT_EQ(p.width, 109) << id;
        EXPECT_EQ(p.height, 86) << id;
    }
    for (int id : restest::kProgressPictures) {
        const Picture p = Get(id);
        ASSERT_EQ(p.error, "") << "picture " << id;
        EXPECT_EQ(p.width, 100) << id;
        EXPECT_EQ(p.height, 85) << id;
    }
}

TEST_F(PictureLibrary, AnimationFramesDifferVisibly) {
    const std::vector<std::vector<int>> animations = {
        {516, 517}, {521, 522},      {526, 527}, {534, 535}, {539, 540, 541}, {544, 545},
        {549, 550}, {554, 555, 556}, {557, 558}, {559, 560}, {589, 590, 591}};
    for (const auto& frames : animations)
        for (size_t i = 0; i < frames.size(); ++i) {
            const int a = frames[i], b = frames[(i + 1) % frames.size()];
            EXPECT_GE(Changed(Get(a), Get(b)), 20) << "pictures " << a << " and " << b;
        }
}

TEST_F(PictureLibrary, StatesHaveTheirOwnPictures) {
    // Pictures of different states must not be copies of one another.
    std::vector<int> ids(std::begin(restest::kStatusPictures), std::end(restest::kStatusPictures));
    for (size_t i = 0; i < ids.size(); ++i)
        for (size_t j = i + 1; j < ids.size(); ++j)
            EXPECT_GT(Changed(Get(ids[i]), Get(ids[j])), 0) << ids[i] << " equals " << ids[j];
}

TEST_F(PictureLibrary, EachInkPictureShowsItsOwnInk) {
    // Appended for the ink bits in control order: ink 1 is 528, then 533, 531,
    // 529, 532, 530 (inks 2 to 6). The picture shows that ink's cartridge more
    // than any other ink.
    const int perInk[6] = {528, 533, 531, 529, 532, 530};
    for (int ink = 1; ink <= 6; ++ink) {
        const Picture p = Get(perInk[ink - 1]);
        ASSERT_EQ(p.error, "");
        int counts[7] = {};
        for (COLORREF c : p.pixels)
            for (int k = 1; k <= 6; ++k)
                counts[k] += restest::LooksLikeInk(k, c) ? 1 : 0;
        // Between the warning sign and the row of cartridges only the raised
        // cartridge carries ink.
        int upper[7] = {};
        for (int y = p.height / 4; y < p.height * 2 / 5; ++y)
            for (int x = 0; x < p.width; ++x)
                for (int k = 1; k <= 6; ++k)
                    upper[k] += restest::LooksLikeInk(k, p.At(x, y)) ? 1 : 0;
        for (int k = 1; k <= 6; ++k)
            if (k != ink && k != 1) {
                EXPECT_GT(upper[ink], upper[k]) << "picture " << perInk[ink - 1] << " ink " << k;
            }
        EXPECT_GT(counts[ink], 0);
    }
}

TEST(LanguageLibraries, CarryIconsAndFallbackPictures) {
    for (const restest::Language& lang : restest::kLanguages) {
        UniqueModule m = LoadModule(lang.file);
        ASSERT_TRUE(m) << lang.file;
        for (int icon : {621, 640})
            for (int size : {16, 32}) {
                HICON h = static_cast<HICON>(
                    LoadImageA(m.get(), MAKEINTRESOURCEA(icon), IMAGE_ICON, size, size, 0));
                EXPECT_NE(h, nullptr) << lang.file << " icon " << icon << " at " << size;
                if (h)
                    DestroyIcon(h);
            }
        // Used when the picture library cannot be loaded.
        EXPECT_EQ(Decode(m.get(), 510).error, "") << lang.file;
        EXPECT_EQ(Decode(m.get(), 589).error, "") << lang.file;
    }
}
