#include "companions/klapi/ChannelTable.h"

#include <cstdio>
#include <cstdlib>

#include "companions/klapi/SimStore.h"
#include "support/Registry.h"

namespace channels {
namespace {

ULONGLONG CreationTime(HANDLE process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!::GetProcessTimes(process, &created, &exited, &kernel, &user))
        return 0;
    return (static_cast<ULONGLONG>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

// "<pid>-<creation time>": a process id alone is reused after the process ends.
std::string ProcessTag(DWORD pid, ULONGLONG created) {
    char tag[40];
    std::snprintf(tag, sizeof tag, "%lu-%016llX", static_cast<unsigned long>(pid), created);
    return tag;
}

const std::string& OwnTag() {
    static const std::string tag =
        ProcessTag(::GetCurrentProcessId(), CreationTime(::GetCurrentProcess()));
    return tag;
}

std::string OwnPath() {
    return std::string(simstore::OpenChannelsPath) + "\\" + OwnTag();
}

std::string ChannelPath(int handle) {
    return OwnPath() + "\\" + std::to_string(handle);
}

bool IsLive(const std::string& tag) {
    char* end = nullptr;
    unsigned long pid = std::strtoul(tag.c_str(), &end, 10);
    if (end == tag.c_str() || *end != '-')
        return false;
    HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process)
        return false;
    DWORD exitCode = 0;
    bool running = ::GetExitCodeProcess(process, &exitCode) && exitCode == STILL_ACTIVE;
    std::string liveTag = ProcessTag(pid, CreationTime(process));
    ::CloseHandle(process);
    return running && liveTag == tag;
}

} // namespace

int Open(const std::string& printerKeyName, int channelId) {
    int handle = simstore::NextChannelHandle();
    if (handle <= 0)
        return 0;
    Registry key(HKEY_CURRENT_USER, ChannelPath(handle).c_str(), true);
    if (!key.IsOpen() || !key.SetString("Printer", printerKeyName.c_str()) ||
        !key.SetDword("ChannelId", static_cast<DWORD>(channelId)))
        return 0;
    return handle;
}

bool Find(int handle, OpenChannel* channel) {
    if (handle <= 0)
        return false;
    Registry key(HKEY_CURRENT_USER, ChannelPath(handle).c_str());
    if (!key.IsOpen())
        return false;
    channel->handle = handle;
    channel->printer = key.GetString("Printer", "", 256);
    channel->channelId = static_cast<int>(key.GetDword("ChannelId", 0));
    return !channel->printer.empty();
}

bool Close(int handle) {
    if (handle <= 0)
        return false;
    // The process's own key stays; PruneEndedProcesses removes it after the process ends.
    Registry own(HKEY_CURRENT_USER, OwnPath().c_str(), false, KEY_ALL_ACCESS);
    return own.DeleteKey(std::to_string(handle).c_str()) == 1;
}

bool SetWindow(int handle, HWND window) {
    Registry key(HKEY_CURRENT_USER, ChannelPath(handle).c_str(), false, KEY_ALL_ACCESS);
    return key.SetDword("Window", static_cast<DWORD>(reinterpret_cast<UINT_PTR>(window))) != 0;
}

void PruneEndedProcesses() {
    Registry table(HKEY_CURRENT_USER, simstore::OpenChannelsPath, false, KEY_ALL_ACCESS);
    for (DWORD i = 0;;) {
        std::string tag = table.EnumKey(i);
        if (tag.empty())
            break;
        if (tag != OwnTag() && !IsLive(tag) && table.DeleteKey(tag.c_str()))
            continue; // the next key moved to this index
        ++i;
    }
}

} // namespace channels
