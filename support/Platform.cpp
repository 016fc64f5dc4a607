#include "support/Platform.h"

#include <windows.h>

bool IsNtPlatform() {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    // The platform id is all that is asked; it is not subject to the version lie
    // that made the call deprecated.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    const BOOL got = ::GetVersionExA(&version);
#pragma GCC diagnostic pop
    return got && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}
