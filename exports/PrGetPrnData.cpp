#include "V_PQIF07.h"

#include "device/KLApiBinding.h"
#include "device/ReceiveData.h"

extern "C" LONG WINAPI PrGetPrnData(LONG, LONG, LONG channel, LONG* value, void** data) {
    try {
        KLApiBinding binding;
        if (!binding.IsInitialized())
            return 1;
        if (channel == 0)
            return -1;

        HLOCAL block = nullptr;
        if (ReceivePrinterData(channel, &block) == ReceiveOutcome::Data && data) {
            if (*data)
                ::LocalFree(*data);
            *data = block;
        } else {
            if (block)
                ::LocalFree(block);
            binding.KLReceiveCancel(channel);
        }
        if (value)
            *value = 0;
        return 0;
    } catch (...) {
        return 1;
    }
}
