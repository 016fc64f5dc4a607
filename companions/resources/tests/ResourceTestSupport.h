#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "framework/Handles.h"

// Helpers shared by the resource tests. The test programs run from the output
// folder, where the companion modules are built.
namespace restest {

struct Language {
    const char* file;
    LANGID language;
};

inline const Language kLanguages[] = {{"KVRRES_EN.DLL", 0x0409}, {"KVRRES_JA.DLL", 0x0411}};

inline UniqueModule LoadModule(const char* file) {
    return UniqueModule(::LoadLibraryA(file));
}

inline std::wstring LoadText(HMODULE module, UINT id) {
    const wchar_t* direct = nullptr;
    // A zero buffer size returns a pointer to the string in the resource itself,
    // so the length is not limited by any buffer of ours.
    const int length = ::LoadStringW(module, id, reinterpret_cast<LPWSTR>(&direct), 0);
    return length > 0 && direct ? std::wstring(direct, static_cast<size_t>(length))
                                : std::wstring();
}

// The string ids the monitor window and the simple exports load.
inline std::vector<UINT> UsedStringIds() {
    std::vector<UINT> ids = {1100, 1131, 1223, 1228, 1229, 1233, 1234, 1235, 1236, 1340, 1500,
                             1502, 1602, 1603, 1700, 1702, 1703, 2001, 2002, 2101, 2102, 10000};
    const std::pair<UINT, UINT> ranges[] = {{1000, 1006}, {1560, 1581}, {3001, 3058}};
    for (const auto& [first, last] : ranges)
        for (UINT id = first; id <= last; ++id)
            ids.push_back(id);
    return ids;
}

// Picture ids of the status pictures and the progress animation.
inline const int kStatusPictures[] = {510, 516, 517, 521, 522, 526, 527, 528, 529,  530, 531,
                                      532, 533, 534, 535, 539, 540, 541, 544, 545,  549, 550,
                                      554, 555, 556, 557, 558, 559, 560, 561, 10000};
inline const int kProgressPictures[] = {589, 590, 591};

// The ink colour names of the level controls, by colour index 1..6, as a test
// can recognise them in pixels: which channels are high and which are low.
inline bool LooksLikeInk(int colourIndex, COLORREF c) {
    const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
    switch (colourIndex) {
    case 1:
        return r < 90 && g < 90 && b < 90; // black
    case 2:
        return r < 60 && g > 120 && b > 190; // cyan
    case 3:
        return r > 180 && g < 60 && b > 80 && b < 180; // magenta
    case 4:
        return r > 220 && g > 170 && b < 60; // yellow
    case 5:
        return r > 70 && r < 170 && g > 170 && b > 210; // light cyan
    case 6:
        return r > 220 && g > 100 && g < 180 && b > 160; // light magenta
    default:
        return false;
    }
}

} // namespace restest
