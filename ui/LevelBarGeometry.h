#pragma once
#include <cstdint>

struct BarRect {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
};

struct LevelBarLayout {
    int empty = 1;             // 1: nothing is filled
    std::int32_t position = 0; // last filled pixel column
    BarRect filled;            // drawn in the bar colour (unless empty)
    BarRect unfilled;          // drawn in the background colour
};

// The level bar's geometry for a client rectangle: the bar grows from the left
// edge, position = left + (value - minimum) * (width - 1) / (maximum - minimum),
// truncated. Computed in 64 bits (job totals times pixel widths exceed 32 bits);
// a range whose maximum is not above its minimum is empty, and a value above the
// maximum fills the whole width.
LevelBarLayout ComputeLevelBar(const BarRect& client, std::int32_t value, std::int32_t minimum,
                               std::int32_t maximum);
