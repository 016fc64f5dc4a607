#pragma once
#include <windows.h>
#include <string>

#include "device/KLApiBinding.h"
#include "framework/Handles.h"

// The printing side's status calls: opens a status channel through KLAPI.DLL
// (when there is one) and asks V_PQIF07.dll's PrGetStatusB on it, which stores
// "Status" and "ComStatus" in the printer's key.
class StatusPoller {
public:
    struct Options {
        std::string printer;
        std::string port;
        std::string model;
        long channelKind = 0; // 0: the first status channel the library lists
        long channelId = -1;  // -1: chosen from the list; 0: no channel (registry override)
        long failChoice = 0;
    };
    explicit StatusPoller(const Options& options);
    ~StatusPoller();
    StatusPoller(const StatusPoller&) = delete;
    StatusPoller& operator=(const StatusPoller&) = delete;

    bool CanQuery() const noexcept { return query_ != nullptr; }
    long Channel() const noexcept { return channel_; }
    long ChannelKind() const noexcept { return kind_; }

    // One status query; prints what it gave.
    void Poll(const char* when);

private:
    using PrGetStatusBFn = LONG(WINAPI*)(LONG reserved, LONG channelKind, LONG channel,
                                         LONG* result, LONG* state, LONG* sound, LONG* notify,
                                         const char* printer, const char* port, LONG failChoice,
                                         const char* model, LONG* activity);
    void OpenChannel();

    Options options_;
    UniqueModule library_;
    PrGetStatusBFn query_ = nullptr;
    UniqueModule klapi_;
    KLInitializeFn klInitialize_ = nullptr;
    KLReleaseFn klRelease_ = nullptr;
    KLCloseChannelFn klCloseChannel_ = nullptr;
    bool klReady_ = false;
    long channel_ = 0;
    long kind_ = 0;
};
