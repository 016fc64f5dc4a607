#include "companions/klapi/StatusWatcher.h"

#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "companions/klapi/NetworkBackend.h"
#include "companions/klapi/KlapiApi.h"
#include "companions/klapi/SimStore.h"
#include "framework/Handles.h"
#include "support/Registry.h"

namespace watcher {
namespace {

// How long a watcher waits before it looks again for a printer key that is
// missing (removed, or not there yet).
constexpr DWORD kReopenInterval = 250;

struct Watch {
    int handle = 0;
    std::string keyPath;
    HWND window = nullptr;
    HMODULE module = nullptr; // the thread's reference on this module
    UniqueKernelHandle stop;
    UniqueKernelHandle thread;
};

std::mutex& TableLock() {
    static std::mutex lock;
    return lock;
}

std::map<int, std::unique_ptr<Watch>>& Table() {
    static std::map<int, std::unique_ptr<Watch>> table;
    return table;
}

std::vector<BYTE> ReadReply(HKEY key) {
    DWORD size = 0;
    if (::RegQueryValueExA(key, simstore::ReplyValue, nullptr, nullptr, nullptr, &size) !=
            ERROR_SUCCESS ||
        size == 0)
        return {};
    std::vector<BYTE> reply(size);
    if (::RegQueryValueExA(key, simstore::ReplyValue, nullptr, nullptr, reply.data(), &size) !=
        ERROR_SUCCESS)
        return {};
    reply.resize(size);
    return reply;
}

// Watches one open key until the stop event is set (true) or the key goes away (false).
bool WatchKey(const Watch& watch, HKEY key, std::vector<BYTE>* last) {
    UniqueKernelHandle changed(::CreateEventA(nullptr, FALSE, FALSE, nullptr));
    if (!changed)
        return ::WaitForSingleObject(watch.stop.get(), kReopenInterval) == WAIT_OBJECT_0;
    for (;;) {
        if (::RegNotifyChangeKeyValue(key, FALSE, REG_NOTIFY_CHANGE_LAST_SET, changed.get(),
                                      TRUE) != ERROR_SUCCESS)
            return ::WaitForSingleObject(watch.stop.get(), kReopenInterval) == WAIT_OBJECT_0;
        // A change between the last read and arming the notification is caught here.
        std::vector<BYTE> reply = ReadReply(key);
        if (reply != *last) {
            *last = std::move(reply);
            ::PostMessageA(watch.window, KLAPI_STATUS_MESSAGE, 0, watch.handle);
        }
        HANDLE events[] = {watch.stop.get(), changed.get()};
        // A printer answering over the network is asked again each interval;
        // what it says lands in "Reply" and comes back here as a registry change.
        simstore::SimPrinter printer(watch.keyPath.substr(watch.keyPath.rfind('\\') + 1).c_str());
        bool network = netbackend::IsNetwork(printer);
        DWORD rc;
        while ((rc = ::WaitForMultipleObjects(
                    2, events, FALSE, network ? netbackend::Interval(printer) : INFINITE)) ==
               WAIT_TIMEOUT)
            netbackend::Update(printer, false);
        if (rc != WAIT_OBJECT_0 + 1)
            return true;
        // A deleted key signals too; it cannot be watched any longer.
        DWORD values = 0;
        if (::RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                               nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return false;
    }
}

void Run(const Watch& watch) {
    std::vector<BYTE> last;
    bool first = true;
    for (;;) {
        UniqueHKey key;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, watch.keyPath.c_str(), 0,
                            KEY_NOTIFY | KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) {
            last.clear();
            first = false;
            if (::WaitForSingleObject(watch.stop.get(), kReopenInterval) == WAIT_OBJECT_0)
                return;
            continue;
        }
        // The reply present when watching starts is the baseline, not a change.
        if (first) {
            last = ReadReply(key.get());
            first = false;
        }
        if (WatchKey(watch, key.get(), &last))
            return;
    }
}

DWORD WINAPI WatchThread(void* parameter) {
    const Watch& watch = *static_cast<const Watch*>(parameter);
    HMODULE module = watch.module;
    Run(watch);
    // The reference taken for this thread keeps its code mapped until this very call.
    ::FreeLibraryAndExitThread(module, 0);
    return 0;
}

void Join(std::unique_ptr<Watch> watch) {
    if (!watch)
        return;
    ::SetEvent(watch->stop.get());
    ::WaitForSingleObject(watch->thread.get(), INFINITE);
}

} // namespace

bool StartWatching(int handle, const std::string& printerKeyPath, HWND window) {
    StopWatching(handle);
    auto watch = std::make_unique<Watch>();
    watch->handle = handle;
    watch->keyPath = printerKeyPath;
    watch->window = window;
    watch->stop.reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!watch->stop)
        return false;
    // The thread's module reference is taken before it starts, so that a
    // FreeLibrary right after this call cannot unload the code it runs.
    if (!::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                              reinterpret_cast<LPCSTR>(&StartWatching), &watch->module))
        return false;
    watch->thread.reset(::CreateThread(nullptr, 0, WatchThread, watch.get(), 0, nullptr));
    if (!watch->thread) {
        ::FreeLibrary(watch->module);
        return false;
    }
    std::unique_ptr<Watch> previous; // from a concurrent start on the same handle
    {
        std::lock_guard<std::mutex> guard(TableLock());
        previous = std::move(Table()[handle]);
        Table()[handle] = std::move(watch);
    }
    Join(std::move(previous));
    return true;
}

void StopWatching(int handle) {
    std::unique_ptr<Watch> watch;
    {
        std::lock_guard<std::mutex> guard(TableLock());
        auto found = Table().find(handle);
        if (found == Table().end())
            return;
        watch = std::move(found->second);
        Table().erase(found);
    }
    Join(std::move(watch));
}

void StopAllWatchers() {
    std::map<int, std::unique_ptr<Watch>> all;
    {
        std::lock_guard<std::mutex> guard(TableLock());
        all.swap(Table());
    }
    for (auto& entry : all)
        Join(std::move(entry.second));
}

} // namespace watcher
