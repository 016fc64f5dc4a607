#include "device/KLApiBinding.h"

#include "support/LibraryLoad.h"

namespace {
template <typename Fn> bool Resolve(HMODULE module, const char* name, Fn& target) {
    target = reinterpret_cast<Fn>(::GetProcAddress(module, name));
    return target != nullptr;
}

// The entry points of a released binding.
namespace Gone {
int WINAPI Initialize() {
    return KL_FAILURE;
}
int WINAPI GetDeviceID(int, const char*, char*, int*) {
    return KL_FAILURE;
}
int WINAPI GetAvailableChannel(int, const char*, void*, int*) {
    return KL_FAILURE;
}
int WINAPI OpenChannel(int, const char*, int) {
    return 0;
}
int WINAPI OnChannel(int) {
    return KL_FAILURE;
}
int WINAPI SetOption(int, int, void*) {
    return KL_FAILURE;
}
int WINAPI GetStatus(int, void*, int*) {
    return KL_FAILURE;
}
int WINAPI Receive(int, void*, int*, int) {
    return KL_FAILURE;
}
} // namespace Gone

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
    m_Module.reset(LoadBidiLibrary());
    if (!m_Module)
        return;
    // In table order; resolution stops at the first missing name.
    bool complete = Resolve(m_Module.get(), "KLInitialize", KLInitialize) &&
                    Resolve(m_Module.get(), "KLRelease", KLRelease) &&
                    Resolve(m_Module.get(), "KLGetDeviceID", KLGetDeviceID) &&
                    Resolve(m_Module.get(), "KLGetAvailableChannel", KLGetAvailableChannel) &&
                    Resolve(m_Module.get(), "KLOpenChannel", KLOpenChannel) &&
                    Resolve(m_Module.get(), "KLCloseChannel", KLCloseChannel) &&
                    Resolve(m_Module.get(), "KLSetOption", KLSetOption) &&
                    Resolve(m_Module.get(), "KLReceiveCancel", KLReceiveCancel) &&
                    Resolve(m_Module.get(), "KLGetStatus", KLGetStatus) &&
                    Resolve(m_Module.get(), "KLReceive", KLReceive);
    if (!complete)
        return;
    m_InitResult = KLInitialize();
    m_Initialized = m_InitResult == 0 ? 1 : 0;
}

KLApiBinding::~KLApiBinding() {
    Release();
}

void KLApiBinding::Release() noexcept {
    if (!m_Module)
        return;
    if (m_InitResult >= 0 && KLRelease)
        KLRelease();
    m_Module.reset();
    m_Initialized = 0;
    m_InitResult = -1;
    // A late caller (a window ending after its binding) must not jump into the
    // unloaded library.
    KLInitialize = &Gone::Initialize;
    KLRelease = &Gone::Initialize;
    KLGetDeviceID = &Gone::GetDeviceID;
    KLGetAvailableChannel = &Gone::GetAvailableChannel;
    KLOpenChannel = &Gone::OpenChannel;
    KLCloseChannel = &Gone::OnChannel;
    KLSetOption = &Gone::SetOption;
    KLReceiveCancel = &Gone::OnChannel;
    KLGetStatus = &Gone::GetStatus;
    KLReceive = &Gone::Receive;
}
