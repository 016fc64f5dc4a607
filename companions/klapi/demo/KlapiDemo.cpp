// klapidemo: a small client of the kind a driver component is. It opens a
// status channel to a printer through KLAPI.DLL, as such a component does, and
// then asks V_PQIF07.dll for the raw data the printer has sent.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "V_PQIF07.h"

namespace {

using InitFn = int(WINAPI*)();
using DeviceIdFn = int(WINAPI*)(int, const char*, char*, int*);
using ChannelsFn = int(WINAPI*)(int, const char*, void*, int*);
using OpenFn = int(WINAPI*)(int, const char*, int);
using CloseFn = int(WINAPI*)(int);
using GetPrnDataFn = LONG(WINAPI*)(LONG, LONG, LONG, LONG*, void**);

std::string Printable(const BYTE* bytes, SIZE_T length) {
    std::string text;
    for (SIZE_T i = 0; i < length; ++i) {
        BYTE c = bytes[i];
        if (c >= 0x20 && c < 0x7F) {
            text.push_back(static_cast<char>(c));
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, c == '\r' ? "\\r" : c == '\n' ? "\\n" : "\\x%02X", c);
            text += hex;
        }
    }
    return text;
}

// The first channel of the preferred kinds that carries status.
int ChooseChannel(const std::vector<PQIF_CHANNEL_ENTRY>& list) {
    const LONG kinds[] = {PQIF_CHANNEL_STATUS, PQIF_CHANNEL_PREFERRED, PQIF_CHANNEL_ALTERNATE,
                          PQIF_CHANNEL_RECORD};
    for (LONG kind : kinds) {
        for (const PQIF_CHANNEL_ENTRY& entry : list) {
            if (entry.channelId == kind) {
                if (entry.flags & PQIF_CHANNEL_FLAG_STATUS)
                    return kind;
                break;
            }
        }
    }
    return 0;
}

int Fail(const char* what) {
    std::printf("klapidemo: %s\n", what);
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    const char* printer = argc > 1 ? argv[1] : "Kestrel_K7";

    HMODULE pqif = ::LoadLibraryA("V_PQIF07.dll");
    if (!pqif)
        return Fail("V_PQIF07.dll cannot be loaded");
    auto getPrnData = reinterpret_cast<GetPrnDataFn>(::GetProcAddress(pqif, "PrGetPrnData"));
    HMODULE klapi = ::LoadLibraryA("KLAPI.DLL");
    if (!getPrnData || !klapi)
        return Fail("PrGetPrnData or KLAPI.DLL is missing");
    auto init = reinterpret_cast<InitFn>(::GetProcAddress(klapi, "KLInitialize"));
    auto release = reinterpret_cast<InitFn>(::GetProcAddress(klapi, "KLRelease"));
    auto deviceId = reinterpret_cast<DeviceIdFn>(::GetProcAddress(klapi, "KLGetDeviceID"));
    auto channels = reinterpret_cast<ChannelsFn>(::GetProcAddress(klapi, "KLGetAvailableChannel"));
    auto open = reinterpret_cast<OpenFn>(::GetProcAddress(klapi, "KLOpenChannel"));
    auto close = reinterpret_cast<CloseFn>(::GetProcAddress(klapi, "KLCloseChannel"));
    if (!init || !release || !deviceId || !channels || !open || !close)
        return Fail("KLAPI.DLL lacks an entry point");
    if (init() != 0)
        return Fail("KLInitialize refused");

    int rc = 1;
    int size = 0;
    if (deviceId(1, printer, nullptr, &size) == -4 && size > 0) {
        std::vector<char> id(static_cast<size_t>(size) + 1);
        if (deviceId(1, printer, id.data(), &size) >= 0)
            std::printf("printer %s, device ID: %s\n", printer, id.data());
    }
    size = 0;
    int channelId = 0;
    if (channels(1, printer, nullptr, &size) == -4 && size > 0) {
        std::vector<PQIF_CHANNEL_ENTRY> list(static_cast<size_t>(size) /
                                             sizeof(PQIF_CHANNEL_ENTRY));
        int count = channels(1, printer, list.data(), &size);
        list.resize(count > 0 ? static_cast<size_t>(count) : 0);
        channelId = ChooseChannel(list);
        std::printf("%d channel(s) listed; status channel 0x%08X\n", count,
                    static_cast<unsigned>(channelId));
    }
    int handle = channelId ? open(1, printer, channelId) : 0;
    if (!handle) {
        Fail("no status channel could be opened");
    } else {
        std::printf("KLOpenChannel: handle %d\n", handle);
        for (int attempt = 1; attempt <= 2; ++attempt) {
            void* data = nullptr;
            LONG value = -1;
            LONG result = getPrnData(0, 0, handle, &value, &data);
            if (data) {
                SIZE_T length = ::LocalSize(data);
                std::printf("PrGetPrnData #%d: result %ld, %lu byte(s): \"%s\"\n", attempt,
                            static_cast<long>(result), static_cast<unsigned long>(length),
                            Printable(static_cast<BYTE*>(data), length).c_str());
                ::LocalFree(data);
                rc = 0;
            } else {
                std::printf("PrGetPrnData #%d: result %ld, nothing waiting\n", attempt,
                            static_cast<long>(result));
            }
        }
        close(handle);
    }
    release();
    ::FreeLibrary(klapi);
    ::FreeLibrary(pqif);
    return rc;
}
