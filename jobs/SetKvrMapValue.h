#pragma once
#include <cstdint>

// Stores value in the kind's field of the shared-table record of the printer
// (the printer name, or the port name when that is empty). 0 written (also for
// a kind without a field); -1 the table is missing or a view could not be
// mapped; -2 no record with this key, including keys longer than any record
// holds; 1 every record scanned without finding the key or the end marker.
int SetKvrMapValue(const char* printerName, const char* portName, int32_t value, int32_t kind);
