#pragma once
#include <windows.h>
#include <string>

#include "framework/CObject.h"

// What the repair tells the user goes through its window: the device layer
// shows nothing itself. textId is a string-table text of the current resource
// module.
class RecoveryMessages {
public:
    virtual void ShowRecoveryMessage(UINT textId) = 0;

protected:
    ~RecoveryMessages() = default;
};

// Repair of the bidirectional library's request router for one monitor window: the
// window embeds one, calls RecoverChannel when a status read fails, and passes the
// setup tool's answer (message 1224) to OnSetupResult. Without a RecoveryMessages
// the repair runs the same and tells nobody.
class ChannelRecovery : public CObject {
public:
    enum : int {
        NotTried = 0,     // only this state lets a repair start
        AwaitingTool = 1, // the setup tool runs; the window's status timer waits (bounded)
        NotNeeded = 2,    // the router serves every port kind
        Refused = 3,      // refused, impossible or failed; never tried again
    };

    ChannelRecovery() = default;
    explicit ChannelRecovery(RecoveryMessages* messages) : messages(messages) {}
    ChannelRecovery(HWND owner, const std::string& printerName,
                    RecoveryMessages* messages = nullptr)
        : messages(messages), owner(owner), printerName(printerName) {}

    void SetOwner(HWND window) { owner = window; }
    void SetPrinterName(const std::string& name) { printerName = name; }
    void SetMessages(RecoveryMessages* sink) { messages = sink; }

    // view: the ViewType shown now.
    void RecoverChannel(int view);
    // The tool's answer; one that comes while no answer is awaited is ignored.
    void OnSetupResult(WPARAM wParam, LPARAM lParam);

    int State() const noexcept { return state; }
    // Whether the window's status timer should still wait for the tool. A tool
    // that has not answered within ToolAnswerWaitMs is given up on: the state
    // becomes Refused and status is read again.
    bool AwaitsTool();

    // The command line for the tool, with the driver name judged in the
    // system's ANSI code page; empty when it cannot be built safely.
    static std::string SetupToolCommand(const std::string& installDir,
                                        const std::string& driverName, HWND owner);

    static constexpr ULONGLONG ToolAnswerWaitMs = 3 * 60 * 1000;
    // The millisecond clock the wait is measured with; tests move it on.
    using Clock = ULONGLONG(WINAPI*)();
    void SetClock(Clock now) { clock = now ? now : &::GetTickCount64; }
    // The command line the setup tool was last started with.
    const std::string& CommandLine() const noexcept { return commandLine; }

    // The caption of the repair's messages.
    static constexpr UINT CaptionId = 1100;
    static constexpr const char* KvrCommonKeyPath = "software\\VORNE\\KVR7\\KVRCommon";
    static constexpr const char* KlapiInfoKeyPath = "software\\VORNE\\KLAPIInfo";

private:
    void ShowMessage(UINT textId) const;

    RecoveryMessages* messages = nullptr;
    int state = NotTried;
    ULONGLONG toolStarted = 0;
    Clock clock = &::GetTickCount64;
    HWND owner = nullptr;
    std::string printerName;
    std::string commandLine;
};
