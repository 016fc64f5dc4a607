#pragma once
#include <windows.h>

#include <cstdint>

#include "SetupRequest.h"

namespace klapiset {

// Conditions a test can script under HKCU\Software\PqifSim\klapiset (DWORD 1 = on):
// "RouterInUse" answers kRouterInUse without touching the router, "FileReplaced"
// adds kFilesReplaced to a successful answer, "DenyWrite" makes every router
// write fail. The tool also records what it was asked there ("LastDriver",
// "LastWindow", "LastMessage") and counts its runs in "Runs".
constexpr char kSimKey[] = "Software\\PqifSim\\klapiset";

// Carries out a well-formed request and returns the answer bits.
uint32_t RunSetup(const SetupRequest& request);

} // namespace klapiset
