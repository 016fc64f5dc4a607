#pragma once
#include <windows.h>
#include <string>

#include "framework/CObject.h"

// Repair of the bidirectional library's request router for one monitor window: the
// window embeds one, calls RecoverChannel when a status read fails, and passes the
// setup tool's answer (message 1224) to OnSetupResult. Messages are string-table
// texts of the current resource module, captioned with string 1100.
class ChannelRecovery : public CObject {
public:
    enum : int {
        NotTried = 0,     // only this state lets a repair start
        AwaitingTool = 1, // the setup tool runs; the window's status timer waits (bounded)
        NotNeeded = 2,    // the router serves every port kind
        Refused = 3,      // refused, impossible or failed; never tried again
    };

    ChannelRecovery() = default;
    ChannelRecovery(HWND owner, const std::string& printerName)
        : owner(owner), printerName(printerName) {}

    void SetOwner(HWND window) { owner = window; }
    void SetPrinterName(const std::string& name) { printerName = name; }

    // viewType: 1 popup, 2 detail, 3 progress meter (the view shown now).
    void RecoverChannel(int viewType);
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

    static constexpr UINT CaptionId = 1100;
    static constexpr const char* KvrCommonKeyPath = "software\\VORNE\\KVR7\\KVRCommon";
    static constexpr const char* KlapiInfoKeyPath = "software\\VORNE\\KLAPIInfo";

private:
    void ShowMessage(UINT textId) const;

    int state = NotTried;
    ULONGLONG toolStarted = 0;
    Clock clock = &::GetTickCount64;
    HWND owner = nullptr;
    std::string printerName;
    std::string commandLine;
};
