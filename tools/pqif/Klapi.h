#pragma once
#include <windows.h>
#include <string>
#include <vector>

#include "V_PQIF07.h"

// The few entry points of the bidirectional library that pqif calls itself:
// listing channels, opening and closing one, reading the device ID.
class Klapi {
public:
    Klapi();
    ~Klapi();
    Klapi(const Klapi&) = delete;
    Klapi& operator=(const Klapi&) = delete;

    // Empty when the library is usable; otherwise what went wrong.
    const std::string& Error() const { return error_; }

    // The channel list, or an error text in *error.
    bool Channels(int byPrinter, const char* name, std::vector<PQIF_CHANNEL_ENTRY>* list,
                  std::string* error);
    int Open(int byPrinter, const char* name, int channelKind);
    void Close(int channel);
    std::string DeviceId(int byPrinter, const char* name);

private:
    using InitFn = int(WINAPI*)();
    using ListFn = int(WINAPI*)(int, const char*, void*, int*);
    using OpenFn = int(WINAPI*)(int, const char*, int);
    using ChannelFn = int(WINAPI*)(int);
    using DeviceIdFn = int(WINAPI*)(int, const char*, char*, int*);

    HMODULE module_ = nullptr;
    bool initialized_ = false;
    std::string error_;
    InitFn initialize_ = nullptr;
    InitFn release_ = nullptr;
    ListFn list_ = nullptr;
    OpenFn open_ = nullptr;
    ChannelFn close_ = nullptr;
    ChannelFn cancel_ = nullptr;
    DeviceIdFn deviceId_ = nullptr;
};
