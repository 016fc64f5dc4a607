#pragma once
#include <windows.h>
#include <string>

// The channels a process has open. The table lives in the registry, under a
// key of the opening process, because handles must stay valid after the last
// binding unloaded this module and a later one loaded it again.
namespace channels {

struct OpenChannel {
    int handle = 0;
    std::string printer; // the printer's key name in the store
    int channelId = 0;
};

// Opens a channel of this process on a printer; the new handle, or 0.
int Open(const std::string& printerKeyName, int channelId);
// The channel with this handle, if this process opened it and has not closed it.
bool Find(int handle, OpenChannel* channel);
bool Close(int handle);
// Records the window that receives status notifications (0 = none).
[[nodiscard]] bool SetWindow(int handle, HWND window);
// Drops the tables of processes that have ended.
void PruneEndedProcesses();

} // namespace channels
