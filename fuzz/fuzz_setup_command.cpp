#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "device/ChannelRecoveryCommand.h"

// Any folder and driver name (split at the first zero byte; then four bytes of
// window handle): a command line that is built quotes its program and its
// driver name, holds exactly those four quotes, and no control character.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4)
        return 0;
    std::uint32_t window = 0;
    std::memcpy(&window, data, 4);
    const char* text = reinterpret_cast<const char*>(data + 4);
    std::size_t length = size - 4;
    const void* zero = std::memchr(text, 0, length);
    std::size_t split =
        zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - text) : length;
    std::string folder(text, split);
    std::string driver = split < length ? std::string(text + split + 1, length - split - 1) : "";

    const bool safe = IsSafeCommandText(driver);
    const std::string command = BuildSetupToolCommand(folder, driver, window);
    if (command.empty())
        return 0;
    if (!safe || command[0] != '"')
        std::abort();
    std::size_t quotes = 0;
    for (char c : command) {
        if (c == '"')
            ++quotes;
        if (static_cast<unsigned char>(c) < 0x20)
            std::abort();
    }
    if (quotes != 4)
        std::abort();
    if (command.find(driver) == std::string::npos)
        std::abort();
    return 0;
}
