#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "support/SettingsFile.h"

// The first bytes choose the section and key names (up to two zero bytes), the
// rest is the file's text. The string result must be terminated within 260 bytes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    const void* firstZero = std::memchr(text, 0, size < 64 ? size : 64);
    if (!firstZero)
        return 0;
    std::size_t sectionEnd = static_cast<const char*>(firstZero) - text;
    const void* secondZero = std::memchr(text + sectionEnd + 1, 0,
                                         size - sectionEnd - 1 < 64 ? size - sectionEnd - 1 : 64);
    if (!secondZero)
        return 0;
    const char* section = text;
    const char* key = text + sectionEnd + 1;
    const char* body = static_cast<const char*>(secondZero) + 1;
    std::size_t bodySize = size - static_cast<std::size_t>(body - text);

    int value = 0;
    int rc = SettingsTextGetInt(body, bodySize, section, key, &value);
    if (rc != 0 && rc != 1 && rc != -1)
        std::abort();

    char out[SettingsStringSize + 1];
    std::memset(out, 'x', sizeof out);
    rc = SettingsTextGetString(body, bodySize, section, key, out);
    if (rc == 0 && std::memchr(out, 0, SettingsStringSize) == nullptr)
        std::abort();
    if (out[SettingsStringSize] != 'x')
        std::abort();
    return 0;
}
