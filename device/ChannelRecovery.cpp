#include "device/ChannelRecovery.h"

#include <cstdint>
#include <vector>

#include "device/ChannelRecoveryCommand.h"
#include "device/PortRouting.h"
#include "framework/Handles.h"
#include "support/Platform.h"
#include "support/Registry.h"

namespace {
// Started without waiting for the tool to become idle: the window waits for
// its answer message with a bound of its own, and a wait for input idle would
// block the window's thread (and under Wine keeps an event handle per start).
bool StartTool(const std::string& commandLine) {
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION started = {};
    if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &started))
        return false;
    UniqueKernelHandle process(started.hProcess);
    UniqueKernelHandle thread(started.hThread);
    return true;
}
} // namespace

void ChannelRecovery::ShowMessage(UINT textId) const {
    if (m_Messages)
        m_Messages->ShowRecoveryMessage(textId);
}

void ChannelRecovery::RecoverChannel(ViewType view) {
    if (m_State != NotTried)
        return;
    if (IsRouterComplete()) {
        m_State = NotNeeded;
        return;
    }
    {
        Registry common(HKEY_LOCAL_MACHINE, KvrCommonKeyPath);
        if (!common.IsOpen() || common.GetDword("KLAPIRECOVER", 0) == 0) {
            m_State = Refused;
            return;
        }
    }
    switch (view) {
    case VIEW_POPUP: {
        ShowMessage(1228);
        m_State = Refused;
        return;
    }
    case VIEW_DETAIL:
        break;
    default:
        // The progress meter never asks; a later view may.
        return;
    }
    if (IsNtPlatform() && !IsUserAdmin()) {
        ShowMessage(1235);
        m_State = Refused;
        return;
    }
    std::string installDir;
    {
        Registry info(HKEY_LOCAL_MACHINE, KlapiInfoKeyPath);
        if (!info.IsOpen()) {
            m_State = Refused;
            return;
        }
        installDir = info.GetString("InstallDir", "", 256);
    }
    std::string driver = GetPrinterDriverName(m_PrinterName.c_str());
    if (driver.empty()) {
        m_State = Refused;
        return;
    }
    // A driver name that could end its quotes early, or a tool folder that is
    // not absolute, is refused rather than passed on.
    m_CommandLine = SetupToolCommand(installDir, driver, m_Owner);
    if (m_CommandLine.empty()) {
        m_State = Refused;
        return;
    }
    m_State = StartTool(m_CommandLine) ? AwaitingTool : Refused;
    m_ToolStarted = m_Clock();
}

std::string ChannelRecovery::SetupToolCommand(const std::string& installDir,
                                              const std::string& driverName, HWND owner) {
    return BuildSetupToolCommand(
        installDir, driverName, static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(owner)),
        SetupResultMessage, [](unsigned char byte) { return ::IsDBCSLeadByte(byte) != FALSE; });
}

bool ChannelRecovery::AwaitsTool() {
    if (m_State == AwaitingTool && m_Clock() - m_ToolStarted >= ToolAnswerWaitMs)
        m_State = Refused;
    return m_State == AwaitingTool;
}

void ChannelRecovery::OnSetupResult(WPARAM, LPARAM lParam) {
    // Only the tool this window started and still waits for is listened to.
    if (m_State != AwaitingTool)
        return;
    const DWORD bits = static_cast<DWORD>(lParam);
    if (bits & 0x200000) {
        ShowMessage(1233);
        m_State = Refused;
    } else if (bits & 0x400) {
        ShowMessage(1234);
        m_State = Refused;
    } else if (bits & 0x80000) {
        ShowMessage(1235);
        m_State = Refused;
    } else if (bits & 0x1) {
        if (IsRouterComplete())
            m_State = NotNeeded;
        ShowMessage(1229);
    }
}
