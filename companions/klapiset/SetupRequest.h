#pragma once
#include <cstdint>
#include <string>

// The request the monitor window hands the channel-setup tool on its command line:
//   klapiset.exe /Act=Ch /AN="driver" /Ret=WM:HHHHHHHH;MMMMMMMM /KLP=A:On
// Parsing only reads the text; it never trusts a length or a number it has not
// checked, so a hostile command line gives a defined outcome.
namespace klapiset {

// Result bits posted back with the answer message.
constexpr uint32_t kDone = 0x1;
constexpr uint32_t kBadRequest = 0x2;
constexpr uint32_t kRouterInUse = 0x400;
constexpr uint32_t kNotAllowed = 0x80000;
constexpr uint32_t kFilesReplaced = 0x200000;

// Answer messages must be private window messages; anything from WM_USER to the
// end of the application range is accepted, system messages never.
constexpr uint32_t kFirstAnswerMessage = 0x0400;
constexpr uint32_t kLastAnswerMessage = 0xBFFF;

constexpr size_t kMaxCommandLine = 32767;
constexpr size_t kMaxDriverName = 259;

struct SetupRequest {
    std::string action;  // "Ch"
    std::string driver;  // the printer driver's name
    uint32_t window = 0; // handle to answer to
    uint32_t message = 0;
    std::string ports; // "A:On"
};

enum class ParseOutcome {
    Ok,         // a well-formed request
    BadRequest, // the answer address is usable, the rest is not: answer with kBadRequest
    NoAnswer,   // no usable answer address: answer nothing
    Help,       // "/?": show the usage
};

// Parses a whole command line as GetCommandLine returns it (program name first).
ParseOutcome ParseSetupCommandLine(const std::string& commandLine, SetupRequest* request);

} // namespace klapiset
