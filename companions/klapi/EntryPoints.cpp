// The ten entry points. The variant builds of this module (see CMakeLists.txt)
// differ only in the definitions tested here.
#include <cstring>
#include <vector>

#include "companions/klapi/ChannelTable.h"
#include "companions/klapi/InitLevels.h"
#include "companions/klapi/KlapiApi.h"
#include "companions/klapi/NetworkBackend.h"
#include "companions/klapi/SimStore.h"
#include "companions/klapi/StatusWatcher.h"

using simstore::SimPrinter;

namespace {

int InitializeResult() {
#if defined(KLAPI_VARIANT_INIT_FAILS)
    return -1;
#elif defined(KLAPI_VARIANT_INIT_REFUSES)
    return 1;
#else
    return static_cast<int>(simstore::InitResult());
#endif
}

// The size-probe convention: without a buffer, or with one that is too small,
// -4 and the size needed. Otherwise the bytes are copied and their count is
// returned; `extra` makes the size reported larger than what was written, as a
// misbehaving library would.
int Deliver(const std::vector<BYTE>& data, void* buffer, int* size, LONG extra) {
    int needed = static_cast<int>(data.size());
    if (!buffer || *size < needed) {
        *size = needed;
        return KLAPI_BUFFER_TOO_SMALL;
    }
    std::memcpy(buffer, data.data(), data.size());
    *size = needed + static_cast<int>(extra);
    return needed;
}

bool IsFlag(int byPrinter) {
    return byPrinter == 0 || byPrinter == 1;
}

template <typename Body> int Guarded(const char* entryPoint, Body body) {
    try {
        simstore::CountCall(entryPoint);
        return body();
    } catch (...) {
        return KLAPI_FAILURE;
    }
}

} // namespace

extern "C" int WINAPI KLInitialize() {
    return Guarded("KLInitialize", [] {
        int result = InitializeResult();
        if (levels::Enter(result))
            channels::PruneEndedProcesses();
        return result;
    });
}

extern "C" int WINAPI KLRelease() {
    return Guarded("KLRelease", [] {
        int left = levels::Leave();
        if (left < 0)
            return KLAPI_FAILURE;
        if (left == 1)
            watcher::StopAllWatchers();
        return KLAPI_OK;
    });
}

extern "C" int WINAPI KLGetDeviceID(int byPrinter, const char* name, char* buffer, int* size) {
    return Guarded("KLGetDeviceID", [&] {
        SimPrinter printer(name);
        if (!size || !IsFlag(byPrinter) || !printer.Exists())
            return KLAPI_FAILURE;
        LONG scripted = 0;
        if (printer.ScriptedResult("KLGetDeviceID", &scripted))
            return static_cast<int>(scripted);
        if (netbackend::IsNetwork(printer) &&
            netbackend::Update(printer, false) == netbackend::Refresh::Unreachable)
            return KLAPI_FAILURE;
        std::string id = printer.DeviceId();
        if (id.empty())
            return KLAPI_FAILURE;
        std::vector<BYTE> text(id.begin(), id.end());
        text.push_back(0);
        return Deliver(text, buffer, size, 0);
    });
}

extern "C" int WINAPI KLGetAvailableChannel(int byPrinter, const char* name, void* buffer,
                                            int* size) {
    return Guarded("KLGetAvailableChannel", [&] {
        SimPrinter printer(name);
        if (!size || !IsFlag(byPrinter) || !printer.Exists())
            return KLAPI_FAILURE;
        LONG scripted = 0;
        if (printer.ScriptedResult("KLGetAvailableChannel", &scripted))
            return static_cast<int>(scripted);
        std::vector<BYTE> list = printer.Bytes(simstore::ChannelsValue);
        list.resize(list.size() / 8 * 8); // whole entries only
        if (list.empty())
            return KLAPI_NO_CHANNEL;
        int rc = Deliver(list, buffer, size, 0);
        return rc > 0 ? rc / 8 : rc;
    });
}

extern "C" int WINAPI KLOpenChannel(int byPrinter, const char* name, int channelId) {
    return Guarded("KLOpenChannel", [&] {
        SimPrinter printer(name);
        if (!IsFlag(byPrinter) || !printer.Exists())
            return 0;
        LONG scripted = 0;
        if (printer.ScriptedResult("KLOpenChannel", &scripted))
            return static_cast<int>(scripted);
        std::vector<BYTE> list = printer.Bytes(simstore::ChannelsValue);
        for (size_t at = 0; at + 8 <= list.size(); at += 8) {
            int id = 0;
            std::memcpy(&id, &list[at], sizeof id);
            if (id == channelId)
                return channels::Open(printer.KeyName(), channelId);
        }
        return 0;
    });
}

extern "C" int WINAPI KLCloseChannel(int channel) {
    return Guarded("KLCloseChannel", [&] {
        channels::OpenChannel open;
        if (!channels::Find(channel, &open))
            return KLAPI_FAILURE;
        LONG scripted = 0;
        if (SimPrinter(open.printer.c_str()).ScriptedResult("KLCloseChannel", &scripted))
            return static_cast<int>(scripted);
        watcher::StopWatching(channel);
        return channels::Close(channel) ? KLAPI_OK : KLAPI_FAILURE;
    });
}

extern "C" int WINAPI KLSetOption(int channel, int option, void* value) {
    return Guarded("KLSetOption", [&] {
        channels::OpenChannel open;
        if (!channels::Find(channel, &open))
            return KLAPI_FAILURE;
        SimPrinter printer(open.printer.c_str());
        LONG scripted = 0;
        if (printer.ScriptedResult("KLSetOption", &scripted))
            return static_cast<int>(scripted);
        if (option != KLAPI_OPTION_NOTIFY_WINDOW || !value)
            return KLAPI_FAILURE;
        HWND window = *static_cast<HWND*>(value);
        if (!window) {
            watcher::StopWatching(channel);
            return channels::SetWindow(channel, nullptr) ? KLAPI_OK : KLAPI_FAILURE;
        }
        if (!::IsWindow(window) || !watcher::StartWatching(channel, printer.KeyPath(), window))
            return KLAPI_FAILURE;
        if (!channels::SetWindow(channel, window)) {
            watcher::StopWatching(channel);
            return KLAPI_FAILURE;
        }
        return KLAPI_OK;
    });
}

extern "C" int WINAPI KLReceiveCancel(int channel) {
    return Guarded("KLReceiveCancel", [&] {
        channels::OpenChannel open;
        if (!channels::Find(channel, &open))
            return KLAPI_FAILURE;
        LONG scripted = 0;
        if (SimPrinter(open.printer.c_str()).ScriptedResult("KLReceiveCancel", &scripted))
            return static_cast<int>(scripted);
        // Reads complete within KLReceive, so there is never one pending to stop.
        return KLAPI_OK;
    });
}

extern "C" int WINAPI KLGetStatus(int channel, void* buffer, int* size) {
    return Guarded("KLGetStatus", [&] {
        channels::OpenChannel open;
        if (!size || !channels::Find(channel, &open))
            return KLAPI_FAILURE;
        SimPrinter printer(open.printer.c_str());
        if (!printer.Exists())
            return KLAPI_FAILURE;
        LONG scripted = 0;
        if (printer.ScriptedResult("KLGetStatus", &scripted))
            return static_cast<int>(scripted);
        if (printer.InUse())
            return KLAPI_IN_USE;
        if (netbackend::IsNetwork(printer) &&
            netbackend::Update(printer, false) == netbackend::Refresh::Unreachable)
            return KLAPI_FAILURE;
        std::vector<BYTE> reply = printer.Bytes(simstore::ReplyValue);
        if (reply.empty()) {
            *size = 0;
            return 0;
        }
        return Deliver(reply, buffer, size, printer.Lie("KLGetStatus"));
    });
}

#if !defined(KLAPI_VARIANT_NO_RECEIVE)
extern "C" int WINAPI KLReceive(int channel, void* buffer, int* size, int) {
    return Guarded("KLReceive", [&] {
        channels::OpenChannel open;
        if (!size || !channels::Find(channel, &open))
            return KLAPI_FAILURE;
        SimPrinter printer(open.printer.c_str());
        if (!printer.Exists())
            return KLAPI_FAILURE;
        LONG scripted = 0;
        if (printer.ScriptedResult("KLReceive", &scripted))
            return static_cast<int>(scripted);
        // Reading and consuming are one step for all processes.
        simstore::StoreLock lock;
        std::vector<BYTE> data = printer.Bytes(simstore::RawDataValue);
        if (data.empty()) {
            *size = 0;
            return 0;
        }
        int rc = Deliver(data, buffer, size, printer.Lie("KLReceive"));
        if (rc > 0)
            printer.DeleteValue(simstore::RawDataValue);
        return rc;
    });
}
#endif
