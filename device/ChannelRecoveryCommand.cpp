#include "device/ChannelRecoveryCommand.h"

#include <algorithm>
#include <cstdio>

namespace {
bool BreaksQuotes(unsigned char c) {
    return c == '"' || c < 0x20 || c == 0x7F;
}
bool HasQuoteBreakers(const std::string& text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return BreaksQuotes(static_cast<unsigned char>(c)); });
}
} // namespace

bool IsSafeCommandText(const std::string& text) {
    return !HasQuoteBreakers(text) && (text.empty() || text.back() != '\\');
}

std::string BuildSetupToolCommand(const std::string& installDir, const std::string& driverName,
                                  std::uint32_t windowHandle, std::uint32_t message) {
    // The directory is followed by "\klapiset.exe", so its own last backslash is harmless.
    if (driverName.empty() || !IsSafeCommandText(driverName) || HasQuoteBreakers(installDir))
        return {};
    char reply[32];
    std::snprintf(reply, sizeof reply, "%08lX;%08lX", static_cast<unsigned long>(windowHandle),
                  static_cast<unsigned long>(message));
    return "\"" + installDir + "\\klapiset.exe\" /Act=Ch /AN=\"" + driverName +
           "\" /Ret=WM:" + reply + " /KLP=A:On";
}
