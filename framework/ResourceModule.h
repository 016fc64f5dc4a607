#pragma once
#include <windows.h>

// The framework's current resource module: strings, icons and dialog templates
// are taken from it by id. The monitor launch points it at the language
// resource library; until then it is this module itself.
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE module);
