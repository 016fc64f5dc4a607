#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "ui/DibLayout.h"

// Any bytes as a picture resource's bitmap: every part a layout announces lies
// within the bytes, and every colour of its table can be read.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<unsigned char> copy(data, data + size);
    DibLayout layout;
    if (!ComputeDibLayout(copy.data(), copy.size(), &layout))
        return 0;
    if (layout.bitsOffset > copy.size() || layout.bitsSize > copy.size() - layout.bitsOffset)
        std::abort();
    if (layout.colourEntrySize != 3 && layout.colourEntrySize != 4 && layout.colourEntries != 0)
        std::abort();
    std::uint64_t tableEnd =
        layout.colourTableOffset +
        static_cast<std::uint64_t>(layout.colourEntries) * layout.colourEntrySize;
    if (tableEnd > layout.bitsOffset)
        std::abort();
    unsigned sum = 0;
    for (std::uint32_t i = 0; i < layout.colourEntries; ++i) {
        DibColour colour = DibColourAt(copy.data(), layout, i);
        sum += colour.red + colour.green + colour.blue;
    }
    // Touch the first and last byte of the bits the picture needs.
    if (layout.bitsSize)
        sum += copy[layout.bitsOffset] + copy[layout.bitsOffset + layout.bitsSize - 1];
    return sum == 0xFFFFFFFF ? 1 : 0;
}
