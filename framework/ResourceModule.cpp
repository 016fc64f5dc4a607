#include "framework/ResourceModule.h"

#include <atomic>

#include "framework/CWinApp.h"
#include "framework/ThreadSlot.h"

namespace {
std::atomic<HINSTANCE> g_resourceModule{nullptr};
// Made on first use, so that no static constructor elsewhere can reach it unmade.
ThreadSlot& ThreadResourceModule() {
    static ThreadSlot slot;
    return slot;
}
} // namespace

HINSTANCE AfxGetResourceHandle() {
    if (void* own = ThreadResourceModule().Get())
        return static_cast<HINSTANCE>(own);
    HINSTANCE shared = g_resourceModule.load();
    return shared ? shared : AfxGetInstanceHandle();
}

void AfxSetResourceHandle(HINSTANCE module) {
    g_resourceModule.store(module);
}

ResourceScope::ResourceScope(HINSTANCE module) noexcept
    : m_Previous(ThreadResourceModule().Get()),
      m_Set(module && ThreadResourceModule().Set(module)) {}

ResourceScope::~ResourceScope() {
    if (m_Set)
        ThreadResourceModule().Set(m_Previous);
}
