#pragma once
#include <windows.h>

#include "framework/CObject.h"
#include "framework/Handles.h"

// Results of the bidirectional library that callers rely on by name.
constexpr int KL_BUFFER_TOO_SMALL = -4;
constexpr int KL_NO_CHANNEL = -3;
constexpr int KL_FAILURE = -16;
constexpr int KL_CHANNEL_IN_USE = -17;

// Option of KLSetOption that registers a window for status notifications (1026).
constexpr int KL_OPTION_NOTIFY_WINDOW = 4;

using KLInitializeFn = int(WINAPI*)();
using KLReleaseFn = int(WINAPI*)();
using KLGetDeviceIDFn = int(WINAPI*)(int byPrinter, const char* name, char* buffer, int* size);
using KLGetAvailableChannelFn = int(WINAPI*)(int byPrinter, const char* name, void* buffer,
                                             int* size);
using KLOpenChannelFn = int(WINAPI*)(int byPrinter, const char* name, int channelId);
using KLCloseChannelFn = int(WINAPI*)(int channel);
using KLSetOptionFn = int(WINAPI*)(int channel, int option, void* value);
using KLReceiveCancelFn = int(WINAPI*)(int channel);
using KLGetStatusFn = int(WINAPI*)(int channel, void* buffer, int* size);
using KLReceiveFn = int(WINAPI*)(int channel, void* buffer, int* size, int reserved);

// Run-time binding to KLAPI.DLL: loads it, resolves the ten entry points (all
// or nothing), initialises it, and undoes all of that on release or
// destruction. Cheap and short-lived; bindings nest. Channels are closed by
// whoever opened them, before the binding is released.
class KLApiBinding : public CObject {
public:
    KLApiBinding();
    ~KLApiBinding() override;
    KLApiBinding(const KLApiBinding&) = delete;
    KLApiBinding& operator=(const KLApiBinding&) = delete;

    // Releases and unloads the library (once). Afterwards IsInitialized is 0
    // and every entry point is a no-op: KLOpenChannel answers 0 (no channel),
    // the others KL_FAILURE.
    void Release() noexcept;

    int IsInitialized() const noexcept { return m_Initialized; }
    int InitResult() const noexcept { return m_InitResult; }

    static constexpr const char* ModuleName = "KLAPI.DLL";

private:
    int m_Initialized = 0;
    UniqueModule m_Module;
    int m_InitResult = -1;

public:
    KLInitializeFn KLInitialize = nullptr;
    KLReleaseFn KLRelease = nullptr;
    KLGetDeviceIDFn KLGetDeviceID = nullptr;
    KLGetAvailableChannelFn KLGetAvailableChannel = nullptr;
    KLOpenChannelFn KLOpenChannel = nullptr;
    KLCloseChannelFn KLCloseChannel = nullptr;
    KLSetOptionFn KLSetOption = nullptr;
    KLReceiveCancelFn KLReceiveCancel = nullptr;
    KLGetStatusFn KLGetStatus = nullptr;
    KLReceiveFn KLReceive = nullptr;
};
