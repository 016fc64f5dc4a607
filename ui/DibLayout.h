#pragma once
#include <cstddef>
#include <cstdint>

// Where the parts of a packed device-independent bitmap (header, colour table,
// pixel bits, as a bitmap resource holds them) lie, checked against the number of
// bytes that are really there.
struct DibLayout {
    std::uint32_t headerSize = 0;      // 12 (core header) or 40 and more
    int bitCount = 0;                  // bits per pixel
    std::uint32_t width = 0;           // pixels
    std::uint32_t height = 0;          // pixels (top-down pictures too)
    std::uint32_t colours = 0;         // colour count of the palette decision
    std::size_t colourTableOffset = 0; // first colour-table entry
    std::uint32_t colourEntries = 0;   // entries in the colour table
    std::uint32_t colourEntrySize = 0; // 4 (RGBQUAD) or 3 (RGBTRIPLE)
    std::size_t bitsOffset = 0;        // first byte of the pixel bits
    std::size_t bitsSize = 0;          // bytes of pixel bits the picture needs
};

// False when the bytes are not a bitmap of a supported form, or when any part the
// header announces (colour table, bit masks, pixel bits) would lie past size.
bool ComputeDibLayout(const unsigned char* data, std::size_t size, DibLayout* layout);

// Display capability bit of a palette device (RASTERCAPS).
constexpr int RasterCapsPalette = 0x100;

// The picture's own palette is realised only for 256-colour pictures on a palette
// display of 5 to 8 bits per pixel.
bool UseBitmapPalette(std::uint32_t colours, int displayBitsPixel, int rasterCaps);

// One colour-table entry as red, green, blue; index must be below colourEntries.
struct DibColour {
    unsigned char red, green, blue;
};
DibColour DibColourAt(const unsigned char* data, const DibLayout& layout, std::uint32_t index);
