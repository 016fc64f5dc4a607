#include "monitor/PlaceholderClasses.h"

#include "framework/CWinApp.h"
#include "monitor/DialogTemplateClasses.h"

namespace {

bool IsRegistered(HINSTANCE resourceModule, const wchar_t* name) {
    WNDCLASSEXW info = {};
    info.cbSize = sizeof info;
    return ::GetClassInfoExW(nullptr, name, &info) ||
           ::GetClassInfoExW(resourceModule, name, &info);
}

} // namespace

PlaceholderClasses::PlaceholderClasses(HINSTANCE resourceModule, UINT templateId)
    : m_Owner(AfxGetInstanceHandle()) {
    HRSRC found = ::FindResourceA(resourceModule, MAKEINTRESOURCEA(templateId), RT_DIALOG);
    HGLOBAL loaded = found ? ::LoadResource(resourceModule, found) : nullptr;
    const auto* bytes =
        loaded ? static_cast<const unsigned char*>(::LockResource(loaded)) : nullptr;
    if (!bytes)
        return;
    const DWORD size = ::SizeofResource(resourceModule, found);
    for (const std::u16string& name : DialogTemplateClassNames(bytes, size)) {
        std::wstring wide(name.begin(), name.end());
        if (IsRegistered(resourceModule, wide.c_str()))
            continue;
        WNDCLASSEXW placeholder = {};
        placeholder.cbSize = sizeof placeholder;
        placeholder.style = CS_GLOBALCLASS;
        placeholder.lpfnWndProc = ::DefWindowProcW;
        placeholder.hInstance = m_Owner;
        placeholder.lpszClassName = wide.c_str();
        if (::RegisterClassExW(&placeholder))
            m_Registered.push_back(wide);
    }
}

PlaceholderClasses::~PlaceholderClasses() {
    for (const std::wstring& name : m_Registered)
        ::UnregisterClassW(name.c_str(), m_Owner);
}
