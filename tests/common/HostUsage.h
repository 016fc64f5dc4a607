#pragma once
// What the process holds, as a host would watch it: the counts of
// ProcessUsage.h, under the names the isolation suite and the concurrent soak use.
#include <cstring>

#include "tests/common/ProcessUsage.h"

using HostUsage = ProcessUsage;

// gdiFromTable tells (when given) whether GDI objects came from the handle table.
inline HostUsage MeasureHostUsage(bool* gdiFromTable = nullptr) {
    const HostUsage usage = MeasureProcess();
    if (gdiFromTable)
        *gdiFromTable = std::strcmp(usage.gdiSource, "handle table") == 0;
    return usage;
}
