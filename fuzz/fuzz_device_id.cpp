#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "device/DeviceId.h"

// Any bytes as the device ID a printer sends: the model found is text that
// stands in the bytes, before their first zero, right after an "MDL:".
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<char> copy(data, data + size); // exactly as long as received
    const std::string model = ExtractModelId(copy.data(), copy.size());
    if (model.empty())
        return 0;
    const void* zero = std::memchr(copy.data(), 0, copy.size());
    std::size_t text =
        zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - copy.data()) : copy.size();
    if (model.size() + 5 > text) // "MDL:" before it and ';' after it
        std::abort();
    if (model.find(';') != std::string::npos || model.find('\0') != std::string::npos)
        std::abort();
    return 0;
}
