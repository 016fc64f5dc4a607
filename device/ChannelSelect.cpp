#include "device/ChannelSelect.h"

#include <vector>

#include "device/ChanSel.h"
#include "device/DeviceId.h"
#include "device/KLApiBinding.h"
#include "support/DebugLog.h"

namespace {
// IEEE 1284 device IDs carry a 16-bit length.
constexpr int kMaxDeviceIdSize = 0xFFFF;
} // namespace

int ChannelSelect(MonitorChannel& channel) {
    const bool byPrinter = !channel.m_PrinterName.empty();
    const std::string& name = byPrinter ? channel.m_PrinterName : channel.m_PortName;
    const int flag = byPrinter ? 1 : 0;

    DebugLog("ChannelSelect\n");
    ChanSel selector(name.c_str(), flag, ChannelIdPreferred);
    DebugLog("ChannelSelect Result=%d\n", selector.GetResult());
    if (selector.GetResult() < 0)
        return -1;
    if (selector.GetResult() > 0)
        return 0;

    DebugLog("ChanSel.GetStatChannel()\n");
    if (selector.GetStatChannel(&channel.m_StatChannel, &channel.m_StatValue) != 0)
        return 0;

    KLApiBinding* binding = channel.m_pBinding;
    if (!binding || !binding->IsInitialized()) {
        channel.m_StatChannel = 0;
        return -1;
    }
    DebugLog("KLOpenChannel()\n");
    channel.m_hStat = binding->KLOpenChannel(flag, name.c_str(), channel.m_StatChannel);
    DebugLog("KLOpenChannel() m_hStat=%d\n", channel.m_hStat);
    if (channel.m_hStat == 0) {
        channel.m_StatChannel = 0;
        return 0;
    }
    binding->KLSetOption(channel.m_hStat, KL_OPTION_NOTIFY_WINDOW, &channel.m_hWindow);
    channel.m_FirstEntryFlags = selector.FirstEntryFlags();
    return 1;
}

std::string GetModelID(const MonitorChannel& channel, const char* printerName,
                       const char* portName) {
    KLApiBinding* binding = channel.m_pBinding;
    DebugLog("KLGetDeviceID()\n");
    if (!binding || !binding->IsInitialized())
        return {};
    const bool byPrinter = printerName && *printerName;
    const int flag = byPrinter ? 1 : 0;
    const char* name = byPrinter ? printerName : (portName ? portName : "");

    int size = 0;
    int rc = binding->KLGetDeviceID(flag, name, nullptr, &size);
    DebugLog("KLGetDeviceID() return=%d\n", rc);
    if (rc != KL_BUFFER_TOO_SMALL || size <= 0 || size > kMaxDeviceIdSize)
        return {};

    DebugLog("KLGetDeviceID()\n");
    const int allocated = size;
    std::vector<char> text(static_cast<std::size_t>(allocated) + 1, '\0');
    rc = binding->KLGetDeviceID(flag, name, text.data(), &size);
    DebugLog("KLGetDeviceID() return=%d\n", rc);
    if (rc < 0)
        return {};
    const int scan = size > 0 && size < allocated ? size : allocated;
    std::string model = ExtractModelId(text.data(), static_cast<std::size_t>(scan));
    DebugLog("ModelID=\"%s\"\n", model.c_str());
    return model;
}
