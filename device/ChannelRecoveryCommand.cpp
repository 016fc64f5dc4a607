#include "device/ChannelRecoveryCommand.h"

#include <cstdio>

bool IsSafeCommandText(const std::string& text) {
    for (unsigned char c : text)
        if (c == '"' || c < 0x20 || c == 0x7F)
            return false;
    return text.empty() || text.back() != '\\';
}

std::string BuildSetupToolCommand(const std::string& installDir, const std::string& driverName,
                                  std::uint32_t windowHandle, std::uint32_t message) {
    if (driverName.empty() || !IsSafeCommandText(driverName))
        return {};
    for (unsigned char c : installDir)
        if (c == '"' || c < 0x20 || c == 0x7F)
            return {};
    char reply[32];
    std::snprintf(reply, sizeof reply, "%08lX;%08lX", static_cast<unsigned long>(windowHandle),
                  static_cast<unsigned long>(message));
    return "\"" + installDir + "\\klapiset.exe\" /Act=Ch /AN=\"" + driverName +
           "\" /Ret=WM:" + reply + " /KLP=A:On";
}
