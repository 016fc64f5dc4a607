#include "SharedTables.h"

namespace {
void Open(const KvrMapGeometry& g, bool create, UniqueKernelHandle& mapping, UniqueMapView& view) {
    if (create) {
        mapping.reset(::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                           static_cast<DWORD>(g.mappingSize), g.mappingName));
    } else {
        mapping.reset(::OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, g.mappingName));
    }
    if (!mapping)
        return;
    bool existed = ::GetLastError() == ERROR_ALREADY_EXISTS || !create;
    view.reset(::MapViewOfFile(mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, g.mappingSize));
    if (view && !existed)
        KvrInitialiseTable(static_cast<uint8_t*>(view.get()), g.mappingSize);
}
} // namespace

SharedTables::SharedTables(bool create) {
    Open(KvrShortTable, create, shortMapping_, shortView_);
    Open(KvrLongTable, create, longMapping_, longView_);
}

uint8_t* SharedTables::TableFor(const std::string& key, const KvrMapGeometry** geometry) {
    const KvrMapGeometry* table = KvrTableForKey(key.size());
    if (!table || !IsOpen())
        return nullptr;
    *geometry = table;
    return static_cast<uint8_t*>(table == &KvrShortTable ? shortView_.get() : longView_.get());
}

std::string TableKey(const std::string& printerName, const std::string& portName) {
    return printerName.empty() ? portName : printerName;
}
