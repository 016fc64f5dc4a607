#include "support/DebugLog.h"

#include <windows.h>
#include <cstdarg>
#include <cstdio>
#include <vector>

#include "support/ProcessValues.h"
#include "framework/Handles.h"

const char* const DebugLogPath = "c:\\HERON.LOG";

void DebugLog(const char* format, ...) {
    if (!DebugLogEnabled || !format)
        return;
    // Create if missing, never truncate, write only, deny other writers.
    UniqueFile file(::CreateFileA(DebugLogPath, GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return;
    if (::SetFilePointer(file.get(), 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER &&
        ::GetLastError() != NO_ERROR)
        return;

    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (length <= 0) {
        va_end(args);
        return;
    }
    std::vector<char> text(static_cast<size_t>(length) + 1);
    std::vsnprintf(text.data(), text.size(), format, args);
    va_end(args);

    DWORD written = 0;
    ::WriteFile(file.get(), text.data(), static_cast<DWORD>(length), &written, nullptr);
}
