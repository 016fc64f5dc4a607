#include "jobs/PmValueKinds.h"

#include <cstring>

int32_t PmFixedValueSize(int32_t kind) noexcept {
    switch (kind) {
    case 0:
    case 1:
        return PmStringValue;
    case 2:
        return 16;
    case 3:
    case 100:
    case 101:
    case 104:
    case 200:
    case 201:
        return 4;
    case 21:
        return 6;
    case 102:
    case 103:
        return 8;
    default:
        return 0;
    }
}

int32_t PmValueSize(int32_t kind, const void* value) noexcept {
    int32_t size = PmFixedValueSize(kind);
    if (size != PmStringValue)
        return size;
    if (!value)
        return 0;
    size_t length = std::strlen(static_cast<const char*>(value));
    // An RPC count is a 32-bit long; a longer string is not a value to send.
    if (length >= 0x7FFFFFFF)
        return 0;
    return static_cast<int32_t>(length + 1);
}
