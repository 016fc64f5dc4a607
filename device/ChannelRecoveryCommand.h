#pragma once
#include <cstdint>
#include <string>

// Message the channel-setup tool posts back with its result bits (WM_USER + 200).
constexpr std::uint32_t SetupResultMessage = 1224;

// Tells whether a byte begins a two-byte character in the ANSI code page the
// text is in; null stands for a single-byte code page.
using LeadBytePredicate = bool (*)(unsigned char byte);

// True when the text can stand inside a double-quoted command-line argument without
// ending it early or being read differently: no double quote, no control character,
// and no last character that is a backslash (which would escape the closing quote).
// The last character is found in the text's code page: in a double-byte code page
// a second byte of 0x5C belongs to its character and is no backslash; a text that
// ends in half a character is refused.
bool IsSafeCommandText(const std::string& text, LeadBytePredicate isLeadByte = nullptr);

// True for "X:\..." and "\\server\share...": a folder that does not depend on
// the current drive or directory.
bool IsAbsoluteFolder(const std::string& folder);

// The setup tool's command line:
//   "<dir>\klapiset.exe" /Act=Ch /AN="<driver>" /Ret=WM:HHHHHHHH;000004C8 /KLP=A:On
// with the window handle and the message as eight upper-case hexadecimal digits.
// The program path is quoted so that a directory with spaces cannot start another
// program. Empty when the directory is not an absolute folder or either text is
// not safe in its quotes.
std::string BuildSetupToolCommand(const std::string& installDir, const std::string& driverName,
                                  std::uint32_t windowHandle,
                                  std::uint32_t message = SetupResultMessage,
                                  LeadBytePredicate isLeadByte = nullptr);
