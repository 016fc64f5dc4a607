#pragma once
#include <cstddef>

constexpr std::size_t ProductVersionSize = 260;

// The "ProductVersion" string of a file's version resource, in the first
// translation that "\VarFileInfo\Translation" lists. 1 and the version (cut to
// 259 characters) in output, or 0 and an empty output.
int GetFileProductVersion(const char* path, char* output /* ProductVersionSize */);
