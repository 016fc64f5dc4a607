// V_AGNT12.EXE: the companion agent of the printer software. In this
// installation it has nothing to watch, so it ends at once; the status
// monitor's version dialog reads its version resource.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return 0;
}
