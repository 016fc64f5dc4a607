#include "device/ReceiveData.h"

#include "device/KLApiBinding.h"
#include "framework/Handles.h"

ReceiveOutcome ReceivePrinterData(int channel, HLOCAL* block) {
    KLApiBinding binding;
    if (channel == 0 || !binding.IsInitialized())
        return ReceiveOutcome::Failed;

    int length = 0;
    int rc = binding.KLReceive(channel, nullptr, &length, 0);
    if (rc == 0)
        return ReceiveOutcome::NoData;
    if (rc != KL_BUFFER_TOO_SMALL || length <= 0)
        return ReceiveOutcome::Failed;

    LocalBuffer buffer(static_cast<SIZE_T>(length));
    if (!buffer)
        return ReceiveOutcome::Failed;
    // The library may report a larger size on this call; the block keeps its size.
    int size = length;
    rc = binding.KLReceive(channel, buffer.data(), &size, 0);
    if (rc == 0)
        return ReceiveOutcome::NoData;
    if (rc < 0)
        return ReceiveOutcome::Failed;
    *block = buffer.release();
    return ReceiveOutcome::Data;
}
