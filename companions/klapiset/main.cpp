// klapiset.exe: the channel-setup tool. The monitor window starts it to repair
// the request router's port list and learns the outcome from one posted
// message; the tool shows nothing unless asked for its usage with "/?".
#include <windows.h>

#include <cstdint>

#include "RouterSetup.h"
#include "SetupRequest.h"

namespace {

constexpr char kUsage[] =
    "klapiset /Act=Ch /AN=\"driver name\" /Ret=WM:<window>;<message> /KLP=A:On\n\n"
    "Makes the request router serve the LPT, KLPIP and IPX port kinds and posts\n"
    "<message> to <window> (both hexadecimal) with the result bits in lParam:\n"
    "0x1 done, 0x2 bad request, 0x400 router in use, 0x80000 not allowed,\n"
    "0x200000 files replaced (restart needed).";

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const char* line = GetCommandLineA();
    klapiset::SetupRequest request;
    const klapiset::ParseOutcome outcome =
        klapiset::ParseSetupCommandLine(line ? line : "", &request);
    if (outcome == klapiset::ParseOutcome::Help) {
        MessageBoxA(nullptr, kUsage, "klapiset", MB_OK | MB_ICONINFORMATION);
        return 0;
    }
    if (outcome == klapiset::ParseOutcome::NoAnswer)
        return 2;

    HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(request.window));
    if (!IsWindow(window))
        return 3;
    const uint32_t bits = outcome == klapiset::ParseOutcome::Ok
                              ? klapiset::RunSetup(request)
                              : klapiset::kNotAllowed | klapiset::kBadRequest;
    if (!PostMessageA(window, request.message, 0, static_cast<LPARAM>(bits)))
        return 4;
    return (bits & klapiset::kDone) ? 0 : 1;
}
