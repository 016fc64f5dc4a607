#include "support/WindowValues.h"

#include "framework/ThreadSlot.h"

SharedText CommonKeyPath;
SharedText LanguageSection;

namespace {
// Made on first use, so that no static constructor elsewhere can reach it unmade.
ThreadSlot& WindowSlot() {
    static ThreadSlot slot;
    return slot;
}
} // namespace

WindowValuesScope::WindowValuesScope(WindowValues* values) noexcept
    : m_Previous(WindowSlot().Get()), m_Set(values && WindowSlot().Set(values)) {}

WindowValuesScope::~WindowValuesScope() {
    if (m_Set)
        WindowSlot().Set(m_Previous);
}

WindowValues* CurrentWindowValues() noexcept {
    return static_cast<WindowValues*>(WindowSlot().Get());
}

std::string CurrentCommonKeyPath() {
    if (const WindowValues* own = CurrentWindowValues())
        return own->commonKeyPath;
    return CommonKeyPath.Get();
}

void SetCurrentCommonKeyPath(const std::string& path) {
    if (WindowValues* own = CurrentWindowValues())
        own->commonKeyPath = path;
    CommonKeyPath = path;
}
