#pragma once
#include <windows.h>
#include <string>
#include <utility>

#include "framework/CObject.h"
#include "support/ViewType.h"

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
    explicit ChannelRecovery(RecoveryMessages* messages) : m_Messages(messages) {}
    ChannelRecovery(HWND owner, std::string printerName, RecoveryMessages* messages = nullptr)
        : m_Messages(messages), m_Owner(owner), m_PrinterName(std::move(printerName)) {}

    void SetOwner(HWND window) { m_Owner = window; }
    void SetPrinterName(const std::string& name) { m_PrinterName = name; }
    void SetMessages(RecoveryMessages* sink) { m_Messages = sink; }

    // view: the ViewType shown now.
    void RecoverChannel(ViewType view);
    // The tool's answer; one that comes while no answer is awaited is ignored.
    void OnSetupResult(WPARAM wParam, LPARAM lParam);

    int State() const noexcept { return m_State; }
    // Whether the window's status timer should still wait for the tool. A tool
    // that has not answered within ToolAnswerWaitMs is given up on: the state
    // becomes Refused and status is read again.
    bool AwaitsTool();

    // The command line for the tool, with the driver name judged in the
    // system's ANSI code page; empty when it cannot be built safely.
    static std::string SetupToolCommand(const std::string& installDir,
                                        const std::string& driverName, HWND owner);

    static constexpr ULONGLONG ToolAnswerWaitMs = 3ULL * 60 * 1000;
    // The millisecond clock the wait is measured with; tests move it on.
    using Clock = ULONGLONG(WINAPI*)();
    void SetClock(Clock now) { m_Clock = now ? now : &::GetTickCount64; }
    // The command line the setup tool was last started with.
    const std::string& CommandLine() const noexcept { return m_CommandLine; }

    // The caption of the repair's messages.
    static constexpr UINT CaptionId = 1100;
    static constexpr const char* KvrCommonKeyPath = "software\\VORNE\\KVR7\\KVRCommon";
    static constexpr const char* KlapiInfoKeyPath = "software\\VORNE\\KLAPIInfo";

private:
    void ShowMessage(UINT textId) const;

    RecoveryMessages* m_Messages = nullptr;
    int m_State = NotTried;
    ULONGLONG m_ToolStarted = 0;
    Clock m_Clock = &::GetTickCount64;
    HWND m_Owner = nullptr;
    std::string m_PrinterName;
    std::string m_CommandLine;
};
