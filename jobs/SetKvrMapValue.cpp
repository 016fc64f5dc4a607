#include "jobs/SetKvrMapValue.h"

#include <windows.h>
#include <cstring>

#include "framework/Handles.h"
#include "jobs/KvrMapFormat.h"

namespace {

UniqueMapView MapHead(HANDLE mapping, size_t bytes) {
    return UniqueMapView(::MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, bytes));
}

// The table is mapped once. A table smaller than its format says cannot be
// mapped whole: then the most whole records that can be mapped are found by
// halving, so no byte past the mapping's end is ever read or written.
UniqueMapView MapRecords(HANDLE mapping, const KvrMapGeometry& table, size_t* records) {
    UniqueMapView view = MapHead(mapping, table.mappingSize);
    if (view) {
        *records = table.recordCount;
        return view;
    }
    size_t low = 0; // records known to map
    size_t high = table.recordCount;
    while (high - low > 1) {
        const size_t middle = low + (high - low) / 2;
        if (MapHead(mapping, middle * table.recordSize))
            low = middle;
        else
            high = middle;
    }
    *records = low;
    return low ? MapHead(mapping, low * table.recordSize) : UniqueMapView();
}

} // namespace

int SetKvrMapValue(const char* printerName, const char* portName, int32_t value, int32_t kind) {
    const char* key = (printerName && *printerName) ? printerName : (portName ? portName : "");
    const KvrMapGeometry* table = KvrTableForKey(std::strlen(key));
    if (!table)
        return -2;

    UniqueKernelHandle mapping(::OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, table->mappingName));
    if (!mapping)
        return -1;
    size_t records = 0;
    UniqueMapView view = MapRecords(mapping.get(), *table, &records);
    if (!view)
        return -1;
    // Records a writer adds while this runs are seen through the shared view.
    uint8_t* base = static_cast<uint8_t*>(view.get());
    const KvrFindResult found = KvrFind(base, records * table->recordSize, *table, key);
    switch (found.outcome) {
    case KvrFindResult::Found:
        KvrWriteField(base + found.offset, *table, kind, value);
        return 0;
    case KvrFindResult::EndMarker:
        return -2;
    case KvrFindResult::Exhausted:
        break;
    }
    // A table cut short without an end marker could not be read to its end.
    return records < table->recordCount ? -1 : 1;
}
