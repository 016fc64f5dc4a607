#include "V_PQIF07.h"

#include "device/ChanSel.h"

static_assert(sizeof(PQIF_CHANNEL_ENTRY) == sizeof(ChannelEntry), "one record layout");

extern "C" LONG WINAPI PrSelectChan(LONG, const PQIF_CHANNEL_ENTRY* list, LONG count, LONG* kind,
                                    LONG* outA, LONG* outB) {
    try {
        if (count < 1 || !list)
            return 1;
        ChanSel selector(reinterpret_cast<const ChannelEntry*>(list), count, ChannelIdPreferred);
        if (selector.GetResult() != 0)
            return selector.GetResult();
        int channel = 0;
        std::uint16_t value = 0;
        // The chosen entry's value is not handed back: both extra outputs get 0.
        if (selector.GetStatChannel(&channel, &value) == 0) {
            if (kind)
                *kind = channel;
            if (outA)
                *outA = 0;
            if (outB)
                *outB = 0;
        }
        return 0;
    } catch (...) {
        return 1;
    }
}
