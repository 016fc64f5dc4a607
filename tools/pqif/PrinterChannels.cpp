#include "tools/pqif/PrinterChannels.h"

#include <algorithm>

#include "device/ChanSel.h"
#include "device/ChannelSelect.h"
#include "device/KLApiBinding.h"

namespace {
constexpr int kMaxListBytes = 64 * 1024;
static_assert(sizeof(PQIF_CHANNEL_ENTRY) == sizeof(ChannelEntry),
              "the public channel entry is the library's record");
} // namespace

std::string BindingProblem(const KLApiBinding& binding) {
    if (binding.IsInitialized())
        return {};
    if (binding.InitResult() == -1)
        return std::string(KLApiBinding::ModuleName) +
               " could not be loaded from this program's folder or the system folder, or lacks "
               "an entry point";
    return "KLInitialize failed (" + std::to_string(binding.InitResult()) + ")";
}

bool ListChannels(KLApiBinding& binding, int byPrinter, const char* name,
                  std::vector<PQIF_CHANNEL_ENTRY>* list, std::string* error) {
    list->clear();
    int size = 0;
    int rc = binding.KLGetAvailableChannel(byPrinter, name, nullptr, &size);
    if (rc != KL_BUFFER_TOO_SMALL || size <= 0 || size > kMaxListBytes) {
        *error = std::string(rc == KL_FAILURE ? "no such printer, or it cannot be reached"
                                              : "the printer lists no channel") +
                 " (KLGetAvailableChannel " + std::to_string(rc) + ")";
        return false;
    }
    const std::size_t capacity = static_cast<std::size_t>(size) / sizeof(PQIF_CHANNEL_ENTRY);
    std::vector<PQIF_CHANNEL_ENTRY> entries(capacity + 1);
    int got = size;
    rc = binding.KLGetAvailableChannel(byPrinter, name, entries.data(), &got);
    if (rc <= 0) {
        *error =
            "the channel list could not be read (KLGetAvailableChannel " + std::to_string(rc) + ")";
        return false;
    }
    entries.resize(std::min(static_cast<std::size_t>(rc), capacity));
    *list = std::move(entries);
    return true;
}

void CloseChannel(KLApiBinding& binding, int channel) {
    if (channel) {
        binding.KLReceiveCancel(channel);
        binding.KLCloseChannel(channel);
    }
}

std::string ModelOfDevice(KLApiBinding& binding, int byPrinter, const char* name) {
    MonitorChannel channel;
    channel.m_pBinding = &binding;
    return GetModelID(channel, byPrinter ? name : "", byPrinter ? "" : name);
}
