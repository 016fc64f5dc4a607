#include "framework/ResourceModule.h"

#include "framework/CWinApp.h"

namespace {
HINSTANCE g_resourceModule = nullptr;
}

HINSTANCE AfxGetResourceHandle() {
    return g_resourceModule ? g_resourceModule : AfxGetInstanceHandle();
}

void AfxSetResourceHandle(HINSTANCE module) {
    g_resourceModule = module;
}
