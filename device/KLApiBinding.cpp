#include "device/KLApiBinding.h"

namespace {
template <typename Fn> bool Resolve(HMODULE module, const char* name, Fn& target) {
    target = reinterpret_cast<Fn>(::GetProcAddress(module, name));
    return target != nullptr;
}
} // namespace

KLApiBinding::KLApiBinding() {
    module = ::LoadLibraryA(ModuleName);
    if (!module)
        return;
    // In table order; resolution stops at the first missing name.
    bool complete =
        Resolve(module, "KLInitialize", KLInitialize) && Resolve(module, "KLRelease", KLRelease) &&
        Resolve(module, "KLGetDeviceID", KLGetDeviceID) &&
        Resolve(module, "KLGetAvailableChannel", KLGetAvailableChannel) &&
        Resolve(module, "KLOpenChannel", KLOpenChannel) &&
        Resolve(module, "KLCloseChannel", KLCloseChannel) &&
        Resolve(module, "KLSetOption", KLSetOption) &&
        Resolve(module, "KLReceiveCancel", KLReceiveCancel) &&
        Resolve(module, "KLGetStatus", KLGetStatus) && Resolve(module, "KLReceive", KLReceive);
    if (!complete)
        return;
    initResult = KLInitialize();
    initialized = initResult == 0 ? 1 : 0;
}

KLApiBinding::~KLApiBinding() {
    if (initResult >= 0 && KLRelease)
        KLRelease();
    if (module) {
        ::FreeLibrary(module);
        module = nullptr;
    }
}
