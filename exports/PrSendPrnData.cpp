#include "V_PQIF07.h"

// Sending is not offered; the length check is what callers rely on.
extern "C" LONG WINAPI PrSendPrnData(LONG, LONG, LONG length) {
    return length > 0 ? 0 : -1;
}
