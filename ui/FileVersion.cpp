#include "ui/FileVersion.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "framework/Handles.h"

int GetFileProductVersion(const char* path, char* output) {
    if (!output)
        return 0;
    output[0] = '\0';
    if (!path || !*path)
        return 0;
    DWORD ignored = 0;
    DWORD size = ::GetFileVersionInfoSizeA(path, &ignored);
    if (size == 0)
        return 0;
    UniqueGlobal memory(::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size));
    LockedGlobal block(memory.get());
    if (!block.data() || !::GetFileVersionInfoA(path, 0, size, block.data()))
        return 0;

    void* translation = nullptr;
    UINT translationLength = 0;
    if (!::VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &translation,
                          &translationLength) ||
        !translation || translationLength < 2 * sizeof(WORD))
        return 0;
    const WORD* pair = static_cast<const WORD*>(translation);

    char query[64];
    std::snprintf(query, sizeof query, "%s%04X%04X\\ProductVersion", "\\StringFileInfo\\", pair[0],
                  pair[1]);
    void* value = nullptr;
    UINT valueLength = 0;
    if (!::VerQueryValueA(block.data(), query, &value, &valueLength) || !value)
        return 0;
    // The value's length bounds the copy as much as the output does.
    size_t limit = valueLength < ProductVersionSize ? valueLength : ProductVersionSize - 1;
    size_t length = strnlen(static_cast<const char*>(value), limit);
    std::memcpy(output, value, length);
    output[length] = '\0';
    return 1;
}
