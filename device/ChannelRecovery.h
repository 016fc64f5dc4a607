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
        AwaitingTool = 1, // the setup tool runs; the window's status timer waits
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
    void OnSetupResult(WPARAM wParam, LPARAM lParam);

    int State() const noexcept { return state; }
    // The command line the setup tool was last started with.
    const std::string& CommandLine() const noexcept { return commandLine; }

    static constexpr UINT CaptionId = 1100;
    static constexpr const char* KvrCommonKeyPath = "software\\VORNE\\KVR7\\KVRCommon";
    static constexpr const char* KlapiInfoKeyPath = "software\\VORNE\\KLAPIInfo";

private:
    void ShowMessage(UINT textId) const;

    int state = NotTried;
    HWND owner = nullptr;
    std::string printerName;
    std::string commandLine;
};
