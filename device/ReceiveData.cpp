#include "device/ReceiveData.h"

#include <optional>

#include "device/KLApiBinding.h"
#include "device/SizedRead.h"
#include "framework/Handles.h"

ReceiveOutcome ReceivePrinterData(int channel, HLOCAL* block) {
    KLApiBinding binding;
    if (channel == 0 || !binding.IsInitialized())
        return ReceiveOutcome::Failed;

    // The block keeps the size the probe reported, whatever the read claims.
    std::optional<LocalBuffer> buffer;
    const SizedRead read = ReadWithSizeProbe(
        [&](void* data, int* size) { return binding.KLReceive(channel, data, size, 0); }, buffer);
    if (read.probe == 0)
        return ReceiveOutcome::NoData;
    if (read.stage != SizedRead::ReadDone)
        return ReceiveOutcome::Failed;
    if (read.read == 0)
        return ReceiveOutcome::NoData;
    if (read.read < 0)
        return ReceiveOutcome::Failed;
    *block = buffer->release();
    return ReceiveOutcome::Data;
}
