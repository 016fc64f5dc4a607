#include "jobs/SetKvrMapValue.h"

#include <windows.h>
#include <cstring>

#include "framework/Handles.h"
#include "jobs/KvrMapFormat.h"

int SetKvrMapValue(const char* printerName, const char* portName, int32_t value, int32_t kind) {
    const char* key = (printerName && *printerName) ? printerName : (portName ? portName : "");
    const KvrMapGeometry* table = KvrTableForKey(std::strlen(key));
    if (!table)
        return -2;

    UniqueKernelHandle mapping(::OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, table->mappingName));
    if (!mapping)
        return -1;
    // Each record is looked at through a view of the table's head that ends with
    // it, so a table smaller than its format says fails to map instead of being
    // read past its end.
    for (size_t offset = 0; offset < table->mappingSize; offset += table->recordSize) {
        UniqueMapView view(
            ::MapViewOfFile(mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, offset + table->recordSize));
        if (!view)
            return -1;
        uint8_t* record = static_cast<uint8_t*>(view.get()) + offset;
        switch (KvrExamineRecord(record, table->recordSize, *table, key)) {
        case KvrRecordState::EndMarker:
            return -2;
        case KvrRecordState::Match:
            KvrWriteField(record, *table, kind, value);
            return 0;
        case KvrRecordState::Other:
            break;
        }
    }
    return 1;
}
