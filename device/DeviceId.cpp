#include "device/DeviceId.h"

#include <cstring>

std::string ExtractModelId(const char* deviceId, std::size_t size) {
    if (!deviceId)
        return {};
    const std::size_t text = strnlen(deviceId, size);
    static const char kKey[] = "MDL:";
    const std::size_t keyLength = sizeof kKey - 1;
    for (std::size_t at = 0; at + keyLength <= text; ++at) {
        if (std::memcmp(deviceId + at, kKey, keyLength) != 0)
            continue;
        const std::size_t start = at + keyLength;
        const void* end = std::memchr(deviceId + start, ';', text - start);
        if (!end)
            return {};
        return std::string(deviceId + start, static_cast<const char*>(end));
    }
    return {};
}
