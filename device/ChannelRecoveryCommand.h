#pragma once
#include <cstdint>
#include <string>

// Message the channel-setup tool posts back with its result bits (WM_USER + 200).
constexpr std::uint32_t SetupResultMessage = 1224;

// True when the text can stand inside a double-quoted command-line argument without
// ending it early or being read differently: no double quote, no control character,
// and no trailing backslash (which would escape the closing quote).
bool IsSafeCommandText(const std::string& text);

// The setup tool's command line:
//   "<dir>\klapiset.exe" /Act=Ch /AN="<driver>" /Ret=WM:HHHHHHHH;000004C8 /KLP=A:On
// with the window handle and the message as eight upper-case hexadecimal digits.
// The program path is quoted so that a directory with spaces cannot start another
// program. Empty when the directory or the driver name is not safe text.
std::string BuildSetupToolCommand(const std::string& installDir, const std::string& driverName,
                                  std::uint32_t windowHandle,
                                  std::uint32_t message = SetupResultMessage);
