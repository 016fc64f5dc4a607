#pragma once

// Named events of the print-manager service, shared with pmctl and the tests.
constexpr char ServiceStopEvent[] = "Local\\VRPM_ServiceStop";   // set: the service ends
constexpr char ServiceReadyEvent[] = "Local\\VRPM_ServiceReady"; // set while it listens
