#pragma once
#include <windows.h>
#include <cstdint>
#include <string>

#include "framework/Handles.h"
#include "jobs/KvrMapFormat.h"

// The two shared printer tables as their creator holds them: made on the
// paging file in their full size, an end marker in a new table's first record,
// and the mapping kept open for as long as the object lives.
class SharedTables {
public:
    // create: make the tables when missing; otherwise only open existing ones.
    explicit SharedTables(bool create);
    bool IsOpen() const noexcept { return shortView_ && longView_; }

    // The table and view that a key belongs to; null for a key too long.
    uint8_t* TableFor(const std::string& key, const KvrMapGeometry** geometry);

private:
    UniqueKernelHandle shortMapping_;
    UniqueKernelHandle longMapping_;
    UniqueMapView shortView_;
    UniqueMapView longView_;
};

// The key of a printer: its name, or the port when the name is empty.
std::string TableKey(const std::string& printerName, const std::string& portName);
