#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "status/StatusMap.h"
#include "status/StatusReply.h"

// Any bytes: the parser must stay within them, and a decoded record must give
// numbers inside their documented ranges.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    PrinterStatus status;
    if (ParseStatusReply(data, size, &status) != 0)
        return 0;
    if (status.inkCount > 6 || status.warningCount > 10 || status.revision > 15)
        std::abort();
    for (int i = 0; i < status.inkCount; ++i)
        if (status.inkLevel[i] > 100 && status.inkLevel[i] != InkLevelUnknown)
            std::abort();
    int number = StatusNumber(status);
    if (number < 0 || number > 34 || (number >= 6 && number <= 8) || number == 15 || number == 16 ||
        number == 17)
        std::abort();
    if (IndicatorMask(status, number) & ~0x1FFFu)
        std::abort();
    int result = 0, item = 0;
    MapStatusNumber(number, &result, &item);
    if (item < 1 || item > 999)
        std::abort();
    return 0;
}
