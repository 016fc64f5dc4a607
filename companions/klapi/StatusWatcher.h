#pragma once
#include <windows.h>
#include <string>

// Posts KLAPI_STATUS_MESSAGE to a registered window whenever a printer's
// "Reply" changes. Each watched channel has a thread of its own that waits on
// RegNotifyChangeKeyValue for the printer's key. A running watcher holds a
// reference on this module, so the module cannot be unloaded under it; it is
// stopped (and waited for) by StopWatching or StopAllWatchers, never from DllMain.
namespace watcher {

bool StartWatching(int handle, const std::string& printerKeyPath, HWND window);
void StopWatching(int handle);
void StopAllWatchers();

} // namespace watcher
