#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "ui/DibLayout.h"
#include "ui/LanguageEntries.h"
#include "ui/LevelBarGeometry.h"

namespace {

std::vector<LanguageEntry> Entries(std::initializer_list<const char*> lines) {
    std::string block;
    for (const char* line : lines)
        block += std::string(line) + '\0';
    block += '\0';
    return ParseLanguageEntries(block.data(), block.size());
}

TEST(LanguageEntries, LinesSplitAtEqualsAndCommas) {
    auto entries = Entries({"English=9,1", "Japanese=0x11,0x01,Japan,more", "Bare", "German=7"});
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].name, "English");
    EXPECT_EQ(entries[1].primaryText, "0x11");
    EXPECT_EQ(entries[1].subText, "0x01");
    EXPECT_EQ(entries[2].name, "Bare");
    EXPECT_EQ(entries[2].primaryText, "");
    EXPECT_EQ(entries[3].primaryText, "7");
    EXPECT_EQ(entries[3].subText, "");
    // A block without its terminating zeros is read no further than its length.
    const char unterminated[] = {'A', '=', '9', ',', '1'};
    auto cut = ParseLanguageEntries(unterminated, sizeof unterminated);
    ASSERT_EQ(cut.size(), 1u);
    EXPECT_EQ(cut[0].subText, "1");
    EXPECT_TRUE(ParseLanguageEntries(nullptr, 10).empty());
}

TEST(LanguageEntries, HexTextSkipsOtherCharactersAndKeepsSixteenBits) {
    EXPECT_EQ(LanguageHexValue("0x09"), 9);
    EXPECT_EQ(LanguageHexValue("11"), 0x11);
    EXPECT_EQ(LanguageHexValue("c"), 0xC);
    EXPECT_EQ(LanguageHexValue(" 0 C "), 0xC);
    EXPECT_EQ(LanguageHexValue(""), 0);
    EXPECT_EQ(LanguageHexValue("zz"), 0);
    EXPECT_EQ(LanguageHexValue("12345"), 0x2345);
}

TEST(LanguageEntries, ChoiceFollowsExactThenPrimaryThenEnglishThenFirst) {
    struct {
        unsigned short language;
        std::vector<const char*> lines;
        int chosen;
    } cases[] = {
        {0x0411, {"EN=9,1", "JA=11,1"}, 1},           {0x0C09, {"US=9,1", "UK=9,2"}, 0},
        {0x0C09, {"JA=11,1", "AU=9,3", "US=9,1"}, 1}, {0x0407, {"JA=11,1", "EN=9,1"}, 1},
        {0x0407, {"JA=11,1", "FR=12,1"}, 0},          {0x0807, {"DE=7,1", "EN=9,1", "CH=7,2"}, 2},
        {0x0407, {"EN=9,1", "DE=7,2", "AT=7,3"}, 1},  {0x0409, {}, -1},
    };
    for (auto& c : cases) {
        std::string block;
        for (const char* line : c.lines)
            block += std::string(line) + '\0';
        block += '\0';
        EXPECT_EQ(ChooseLanguageEntry(ParseLanguageEntries(block.data(), block.size()), c.language),
                  c.chosen)
            << std::hex << c.language;
    }
}

// A packed bitmap as a resource holds it.
std::vector<unsigned char> Dib(std::uint32_t headerSize, std::int32_t width, std::int32_t height,
                               int bits, std::uint32_t compression, std::uint32_t clrUsed,
                               std::size_t tableBytes, std::size_t bitsBytes,
                               std::uint32_t sizeImage = 0) {
    // A header size beyond the largest real one only claims its size.
    std::size_t header = headerSize >= 40 && headerSize <= 124 ? headerSize : 40;
    std::vector<unsigned char> data(header + tableBytes + bitsBytes);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            data[at + i] = static_cast<unsigned char>(v >> (8 * i));
    };
    put32(0, headerSize);
    put32(4, static_cast<std::uint32_t>(width));
    put32(8, static_cast<std::uint32_t>(height));
    data[12] = 1;
    data[14] = static_cast<unsigned char>(bits);
    put32(16, compression);
    put32(20, sizeImage);
    put32(32, clrUsed);
    return data;
}

TEST(DibLayout, InfoHeadersPlaceTableAndBits) {
    DibLayout layout;
    auto eight = Dib(40, 40, 30, 8, 0, 0, 1024, 40 * 30);
    ASSERT_TRUE(ComputeDibLayout(eight.data(), eight.size(), &layout));
    EXPECT_EQ(layout.colourEntries, 256u);
    EXPECT_EQ(layout.colours, 256u);
    EXPECT_EQ(layout.bitsOffset, 40u + 1024u);
    EXPECT_EQ(layout.bitsSize, 1200u);
    EXPECT_EQ(layout.width, 40u);
    EXPECT_EQ(layout.height, 30u);

    auto four = Dib(40, 41, 3, 4, 0, 16, 64, 24 * 3);
    ASSERT_TRUE(ComputeDibLayout(four.data(), four.size(), &layout));
    EXPECT_EQ(layout.bitsOffset, 40u + 64u);
    EXPECT_EQ(layout.bitsSize, 24u * 3u) << "rows padded to four bytes";
    EXPECT_EQ(layout.colours, 16u);

    auto truecolour = Dib(40, 10, -5, 24, 0, 0, 0, 32 * 5);
    ASSERT_TRUE(ComputeDibLayout(truecolour.data(), truecolour.size(), &layout));
    EXPECT_EQ(layout.colourEntries, 0u);
    EXPECT_EQ(layout.bitsOffset, 40u);
    EXPECT_EQ(layout.height, 5u) << "top-down pictures have their real height";

    auto bitfields = Dib(40, 4, 4, 16, 3, 0, 12, 8 * 4);
    ASSERT_TRUE(ComputeDibLayout(bitfields.data(), bitfields.size(), &layout));
    EXPECT_EQ(layout.bitsOffset, 52u) << "three masks follow a 40-byte header";
    EXPECT_EQ(layout.colourEntries, 0u);

    auto rle = Dib(40, 40, 30, 8, 1, 256, 1024, 300, 300);
    ASSERT_TRUE(ComputeDibLayout(rle.data(), rle.size(), &layout));
    EXPECT_EQ(layout.bitsSize, 300u);

    auto v5 = Dib(124, 2, 2, 8, 0, 2, 8, 8);
    ASSERT_TRUE(ComputeDibLayout(v5.data(), v5.size(), &layout));
    EXPECT_EQ(layout.colourTableOffset, 124u);
    EXPECT_EQ(layout.bitsOffset, 132u);
}

TEST(DibLayout, CoreHeaderUsesThreeByteEntries) {
    std::vector<unsigned char> core(12 + 3 * 256 + 8 * 2);
    core[0] = 12;
    core[4] = 8; // width
    core[6] = 2; // height
    core[8] = 1;
    core[10] = 8;
    core[12] = 0x11; // blue
    core[13] = 0x22; // green
    core[14] = 0x33; // red
    DibLayout layout;
    ASSERT_TRUE(ComputeDibLayout(core.data(), core.size(), &layout));
    EXPECT_EQ(layout.colourEntrySize, 3u);
    EXPECT_EQ(layout.bitsOffset, 12u + 768u);
    EXPECT_EQ(layout.colours, 256u);
    DibColour first = DibColourAt(core.data(), layout, 0);
    EXPECT_EQ(first.red, 0x33);
    EXPECT_EQ(first.green, 0x22);
    EXPECT_EQ(first.blue, 0x11);
}

TEST(DibLayout, HeadersThatOverstateTheirSizesAreRefused) {
    DibLayout layout;
    struct {
        const char* what;
        std::vector<unsigned char> data;
    } bad[] = {
        {"colour count past the end", Dib(40, 40, 30, 8, 0, 0x00FFFFF0, 1024, 1200)},
        {"colour count that overflows 32 bits", Dib(40, 1, 1, 8, 0, 0x40000001, 1024, 4)},
        {"header size past the end", Dib(0x7FFFFFF0, 40, 30, 8, 0, 0, 1024, 1200)},
        {"bits cut short", Dib(40, 40, 30, 8, 0, 0, 1024, 100)},
        {"huge width", Dib(40, 0x7FFFFFFF, 0x7FFFFFFF, 32, 0, 0, 0, 64)},
        {"zero width", Dib(40, 0, 30, 8, 0, 0, 1024, 1200)},
        {"zero height", Dib(40, 40, 0, 8, 0, 0, 1024, 1200)},
        {"lowest height", Dib(40, 1, INT32_MIN, 8, 0, 0, 1024, 1200)},
        {"odd bit count", Dib(40, 40, 30, 7, 0, 0, 1024, 1200)},
        {"embedded compressed image", Dib(40, 40, 30, 0, 4, 0, 0, 1200)},
        {"run length without size", Dib(40, 40, 30, 8, 1, 0, 1024, 1200)},
        {"top-down run length", Dib(40, 40, -30, 8, 1, 0, 1024, 1200, 100)},
        {"header between core and info", Dib(20, 40, 30, 8, 0, 0, 1024, 1200)},
    };
    for (auto& b : bad)
        EXPECT_FALSE(ComputeDibLayout(b.data.data(), b.data.size(), &layout)) << b.what;

    // Every cut of a good bitmap short of its full size is refused, without reading past it.
    auto good = Dib(40, 7, 5, 8, 0, 0, 1024, 8 * 5);
    for (std::size_t size = 0; size < good.size(); ++size) {
        std::vector<unsigned char> cut(good.begin(), good.begin() + size);
        EXPECT_FALSE(ComputeDibLayout(cut.data(), cut.size(), &layout)) << size;
    }
    EXPECT_TRUE(ComputeDibLayout(good.data(), good.size(), &layout));
}

TEST(DibLayout, PaletteOnlyForTwoHundredFiftySixColoursOnPaletteDisplaysOfFiveToEightBits) {
    struct {
        std::uint32_t colours;
        int bitsPixel, rasterCaps;
        bool palette;
    } cases[] = {
        {256, 8, RasterCapsPalette, true},       {256, 5, RasterCapsPalette, true},
        {256, 4, RasterCapsPalette, false},      {256, 16, RasterCapsPalette, false},
        {256, 24, RasterCapsPalette, false},     {256, 8, 0, false},
        {16, 8, RasterCapsPalette, false},       {257, 8, RasterCapsPalette, false},
        {1u << 24, 8, RasterCapsPalette, false}, {256, 8, RasterCapsPalette | 0x1, true},
    };
    for (auto c : cases)
        EXPECT_EQ(UseBitmapPalette(c.colours, c.bitsPixel, c.rasterCaps), c.palette)
            << c.colours << " colours, " << c.bitsPixel << " bits";
}

int Filled(const LevelBarLayout& layout) {
    return layout.empty ? 0 : layout.filled.right - layout.filled.left;
}

TEST(LevelBarGeometry, WorkedValuesAndEdges) {
    BarRect hundred{0, 0, 100, 10};
    EXPECT_EQ(ComputeLevelBar(hundred, 50, 0, 100).position, 49);
    EXPECT_EQ(Filled(ComputeLevelBar(hundred, 50, 0, 100)), 50);
    EXPECT_EQ(Filled(ComputeLevelBar(hundred, 100, 0, 100)), 100);
    EXPECT_EQ(Filled(ComputeLevelBar(hundred, 1, 0, 100)), 1);
    EXPECT_EQ(ComputeLevelBar(hundred, 0, 0, 100).empty, 1);
    EXPECT_EQ(ComputeLevelBar(hundred, -3, 0, 100).empty, 1);
    EXPECT_EQ(Filled(ComputeLevelBar(hundred, 500, 0, 100)), 100) << "above the maximum: full";
    EXPECT_EQ(Filled(ComputeLevelBar(BarRect{0, 0, 200, 10}, 50, 0, 100)), 100);
    LevelBarLayout half = ComputeLevelBar(hundred, 50, 0, 100);
    EXPECT_EQ(half.unfilled.left, 50);
    EXPECT_EQ(half.unfilled.right, 100);
}

TEST(LevelBarGeometry, LargeRangesUseSixtyFourBitsAndEmptyRangesDoNotDivide) {
    BarRect wide{0, 0, 1001, 10};
    EXPECT_EQ(ComputeLevelBar(wide, 1500000000, 0, 2000000000).position, 750);
    EXPECT_EQ(ComputeLevelBar(wide, INT_MAX, INT_MIN, INT_MAX).position, 1000);
    EXPECT_EQ(ComputeLevelBar(wide, 0, INT_MIN, INT_MAX).position, 500);
    for (auto range : {std::pair<int, int>{10, 10}, {10, 0}, {INT_MAX, INT_MIN}}) {
        LevelBarLayout layout = ComputeLevelBar(wide, 5, range.first, range.second);
        EXPECT_EQ(layout.empty, 1);
        EXPECT_EQ(layout.unfilled.left, 0);
    }
    EXPECT_EQ(ComputeLevelBar(BarRect{}, 50, 0, 100).filled.right, 0) << "no client area";
}

} // namespace
