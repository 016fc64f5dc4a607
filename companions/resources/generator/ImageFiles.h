#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace art {

// An 8-bit picture: a 256-entry colour table (RGB triplets) and one index per pixel.
struct IndexedImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> palette; // 256 * 3 bytes
    std::vector<uint8_t> pixels;  // width * height, top row first
};

// Reduces an RGB picture to 256 colours by median cut, then maps every pixel to
// the nearest entry. Unused entries of the table are black.
IndexedImage Quantize(const std::vector<uint8_t>& rgb, int width, int height);

// A bitmap file with a 40-byte header, biBitCount 8 and biClrUsed 256.
bool WriteBmp8(const std::string& path, const IndexedImage& image);

// One frame of an icon file: 32-bit BGRA with straight alpha, top row first.
struct IconFrame {
    int size = 0;
    std::vector<uint8_t> bgra;
};

bool WriteIco(const std::string& path, const std::vector<IconFrame>& frames);

} // namespace art
