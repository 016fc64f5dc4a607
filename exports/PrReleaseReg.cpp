#include "V_PQIF07.h"

// Kept for callers of older versions; there is nothing to release.
extern "C" LONG WINAPI PrReleaseReg(void) {
    return 0;
}
