#pragma once
#include <cstddef>
#include <string>

// The model name in an IEEE 1284 device ID: the text after the first "MDL:" up
// to the ';' that follows. Empty when there is no "MDL:" or no ';' after it.
// Reads no more than size bytes, and nothing after the first zero byte.
std::string ExtractModelId(const char* deviceId, std::size_t size);
