#include "ui/LevelBarGeometry.h"

#include <algorithm>

LevelBarLayout ComputeLevelBar(const BarRect& client, std::int32_t value, std::int32_t minimum,
                               std::int32_t maximum) {
    LevelBarLayout layout;
    layout.empty = std::min(value, maximum) <= minimum ? 1 : 0;
    const std::int64_t start = client.left;
    const std::int64_t end = static_cast<std::int64_t>(client.right) - 1;
    std::int64_t position = start - 1;
    if (maximum > minimum) {
        // A value above the maximum fills the bar exactly; this also bounds the product.
        std::int64_t offset = static_cast<std::int64_t>(std::min(value, maximum)) - minimum;
        position = start + offset * (end - start) / (static_cast<std::int64_t>(maximum) - minimum);
    }
    // Past either edge draws the same as the edge itself.
    position = std::clamp(position, start - 1, std::max(end, start - 1));
    layout.position = static_cast<std::int32_t>(position);
    layout.filled = client;
    layout.unfilled = client;
    layout.filled.right = static_cast<std::int32_t>(position + 1);
    layout.unfilled.left = static_cast<std::int32_t>(position + 1);
    return layout;
}
