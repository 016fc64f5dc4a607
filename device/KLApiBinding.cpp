#include "device/KLApiBinding.h"

#include "support/LibraryLoad.h"

namespace {
template <typename Fn> bool Resolve(HMODULE module, const char* name, Fn& target) {
    target = reinterpret_cast<Fn>(::GetProcAddress(module, name));
    return target != nullptr;
}
// The instance the process already has (channel handles belong to it), else
// the one beside this library, else the system folder's; never the search order.
HMODULE LoadBidiLibrary() {
    HMODULE loaded = nullptr;
    if (::GetModuleHandleExA(0, KLApiBinding::ModuleName, &loaded))
        return loaded;
    if (UniqueModule own = LoadCodeLibrary(KLApiBinding::ModuleName, OwnFolder()))
        return own.release();
    char system[MAX_PATH];
    UINT length = ::GetSystemDirectoryA(system, sizeof system);
    if (length == 0 || length >= sizeof system)
        return nullptr;
    return LoadCodeLibrary(KLApiBinding::ModuleName, system).release();
}
} // namespace

KLApiBinding::KLApiBinding() {
    module = LoadBidiLibrary();
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
