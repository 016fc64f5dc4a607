#include "V_PQIF07.h"

#include "device/KLApiBinding.h"
#include "device/ReceiveData.h"
#include "framework/Handles.h"

extern "C" LONG WINAPI PrGetPrnData(LONG, LONG, LONG channel, LONG* value, void** data) {
    try {
        KLApiBinding binding;
        if (!binding.IsInitialized())
            return 1;
        if (channel == 0)
            return -1;

        UniqueLocal block;
        if (ReceivePrinterData(channel, block.put()) == ReceiveOutcome::Data && data) {
            // The caller's previous block is given up only when new data replaces it.
            UniqueLocal previous(*data);
            *data = block.release();
        } else {
            binding.KLReceiveCancel(channel);
        }
        if (value)
            *value = 0;
        return 0;
    } catch (...) {
        return 1;
    }
}
