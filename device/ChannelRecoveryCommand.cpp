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
bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Whether the last character (not byte) is a backslash; a lone lead byte at
// the end counts as unsafe too.
bool EndsInBackslash(const std::string& text, LeadBytePredicate isLeadByte) {
    size_t last = std::string::npos;
    size_t i = 0;
    while (i < text.size()) {
        last = i;
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (isLeadByte && isLeadByte(c)) {
            if (i + 1 >= text.size())
                return true;
            i += 2;
        } else {
            i += 1;
        }
    }
    return last != std::string::npos && last + 1 == text.size() && text[last] == '\\';
}
} // namespace

bool IsSafeCommandText(const std::string& text, LeadBytePredicate isLeadByte) {
    return !HasQuoteBreakers(text) && !EndsInBackslash(text, isLeadByte);
}

bool IsAbsoluteFolder(const std::string& folder) {
    if (folder.size() >= 3 && IsLetter(folder[0]) && folder[1] == ':' && folder[2] == '\\')
        return true;
    return folder.size() >= 3 && folder[0] == '\\' && folder[1] == '\\' && folder[2] != '\\';
}

std::string BuildSetupToolCommand(const std::string& installDir, const std::string& driverName,
                                  std::uint32_t windowHandle, std::uint32_t message,
                                  LeadBytePredicate isLeadByte) {
    // The directory is followed by "\klapiset.exe", so its own last backslash is
    // harmless; a missing or relative one would start a program found from the
    // current drive or directory.
    if (driverName.empty() || !IsSafeCommandText(driverName, isLeadByte) ||
        !IsAbsoluteFolder(installDir) || HasQuoteBreakers(installDir))
        return {};
    char reply[32];
    std::snprintf(reply, sizeof reply, "%08lX;%08lX", static_cast<unsigned long>(windowHandle),
                  static_cast<unsigned long>(message));
    return "\"" + installDir + "\\klapiset.exe\" /Act=Ch /AN=\"" + driverName +
           "\" /Ret=WM:" + reply + " /KLP=A:On";
}
