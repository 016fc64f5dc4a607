#include "ui/DibLayout.h"

namespace {
std::uint32_t U16(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8;
}
std::uint32_t U32(const unsigned char* p) {
    return U16(p) | U16(p + 2) << 16;
}

constexpr std::uint32_t CompressionRgb = 0;
constexpr std::uint32_t CompressionRle8 = 1;
constexpr std::uint32_t CompressionRle4 = 2;
constexpr std::uint32_t CompressionBitfields = 3;

std::uint64_t RowBytes(std::uint64_t width, int bitCount) {
    return (width * static_cast<std::uint64_t>(bitCount) + 31) / 32 * 4;
}

bool Finish(std::uint64_t tableOffset, std::uint64_t entries, std::uint32_t entrySize,
            std::uint64_t bitsSize, std::size_t size, DibLayout* layout) {
    std::uint64_t bitsOffset = tableOffset + entries * entrySize;
    if (bitsOffset > size || bitsSize > size - bitsOffset)
        return false;
    layout->colourTableOffset = static_cast<std::size_t>(tableOffset);
    layout->colourEntries = static_cast<std::uint32_t>(entries);
    layout->colourEntrySize = entrySize;
    layout->bitsOffset = static_cast<std::size_t>(bitsOffset);
    layout->bitsSize = static_cast<std::size_t>(bitsSize);
    return true;
}

bool CoreLayout(const unsigned char* data, std::size_t size, DibLayout* layout) {
    if (size < 12)
        return false;
    std::uint32_t width = U16(data + 4);
    std::uint32_t height = U16(data + 6);
    int bitCount = static_cast<int>(U16(data + 10));
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24)
        return false;
    if (width == 0 || height == 0)
        return false;
    std::uint32_t entries = bitCount == 24 ? 0 : 1u << bitCount;
    layout->headerSize = 12;
    layout->bitCount = bitCount;
    layout->width = width;
    layout->height = height;
    layout->colours = bitCount == 24 ? 1u << 24 : entries;
    return Finish(12, entries, 3, RowBytes(width, bitCount) * height, size, layout);
}

bool InfoLayout(const unsigned char* data, std::size_t size, std::uint32_t headerSize,
                DibLayout* layout) {
    if (headerSize > size)
        return false;
    std::int32_t width = static_cast<std::int32_t>(U32(data + 4));
    std::int32_t height = static_cast<std::int32_t>(U32(data + 8));
    int bitCount = static_cast<int>(U16(data + 14));
    std::uint32_t compression = U32(data + 16);
    std::uint32_t sizeImage = U32(data + 20);
    std::uint32_t clrUsed = U32(data + 32);
    if (width <= 0 || height == 0 || height == INT32_MIN)
        return false;
    std::uint64_t rows = height < 0 ? static_cast<std::uint64_t>(-static_cast<std::int64_t>(height))
                                    : static_cast<std::uint64_t>(height);

    std::uint64_t bitsSize;
    switch (compression) {
    case CompressionRgb:
        if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
            bitCount != 32)
            return false;
        bitsSize = RowBytes(static_cast<std::uint64_t>(width), bitCount) * rows;
        break;
    case CompressionBitfields:
        if (bitCount != 16 && bitCount != 32)
            return false;
        bitsSize = RowBytes(static_cast<std::uint64_t>(width), bitCount) * rows;
        break;
    case CompressionRle8:
    case CompressionRle4:
        if (bitCount != (compression == CompressionRle8 ? 8 : 4) || height < 0 || sizeImage == 0)
            return false;
        bitsSize = sizeImage;
        break;
    default:
        return false;
    }

    // A plain 40-byte header with bit fields is followed by the three masks.
    std::uint64_t tableOffset = headerSize;
    if (compression == CompressionBitfields && headerSize == 40)
        tableOffset += 12;
    std::uint64_t entries = clrUsed != 0 ? clrUsed : bitCount <= 8 ? 1u << bitCount : 0u;
    if (entries > 0xFFFFFFu)
        return false;

    layout->headerSize = headerSize;
    layout->bitCount = bitCount;
    layout->width = static_cast<std::uint32_t>(width);
    layout->height = static_cast<std::uint32_t>(rows);
    layout->colours = clrUsed != 0 ? clrUsed : bitCount >= 32 ? 0xFFFFFFFFu : 1u << bitCount;
    return Finish(tableOffset, entries, 4, bitsSize, size, layout);
}
} // namespace

bool ComputeDibLayout(const unsigned char* data, std::size_t size, DibLayout* layout) {
    if (!data || !layout || size < 4)
        return false;
    *layout = DibLayout{};
    std::uint32_t headerSize = U32(data);
    if (headerSize == 12)
        return CoreLayout(data, size, layout);
    if (headerSize >= 40)
        return InfoLayout(data, size, headerSize, layout);
    return false;
}

bool UseBitmapPalette(std::uint32_t colours, int displayBitsPixel, int rasterCaps) {
    return colours == 256 && displayBitsPixel > 4 && displayBitsPixel <= 8 &&
           (rasterCaps & RasterCapsPalette) != 0;
}

DibColour DibColourAt(const unsigned char* data, const DibLayout& layout, std::uint32_t index) {
    const unsigned char* entry =
        data + layout.colourTableOffset + static_cast<std::size_t>(index) * layout.colourEntrySize;
    // Both entry forms store blue, green, red in that order.
    return DibColour{entry[2], entry[1], entry[0]};
}
