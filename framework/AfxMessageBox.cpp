#include "framework/AfxMessageBox.h"

#include <vector>

#include "framework/CWinApp.h"

namespace {
HWND MessageBoxOwner() {
    HWND hwnd = ::GetActiveWindow();
    while (hwnd && (::GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD))
        hwnd = ::GetParent(hwnd);
    return hwnd ? ::GetLastActivePopup(hwnd) : nullptr;
}

std::wstring Widen(const char* text, UINT codePage) {
    int length = ::MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
    if (length <= 0)
        return {};
    std::vector<wchar_t> wide(static_cast<size_t>(length));
    if (::MultiByteToWideChar(codePage, 0, text, -1, wide.data(), length) <= 0)
        return {};
    return std::wstring(wide.data());
}
} // namespace

std::string AfxGetAppName() {
    if (CWinApp* app = AfxGetApp())
        if (app->m_pszAppName && *app->m_pszAppName)
            return app->m_pszAppName;
    char path[MAX_PATH] = {};
    DWORD length = ::GetModuleFileNameA(AfxGetInstanceHandle(), path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return {};
    std::string name(path, length);
    size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name;
}

int AfxMessageBox(const char* text, UINT type) {
    std::string caption = AfxGetAppName();
    return ::MessageBoxA(MessageBoxOwner(), text ? text : "", caption.c_str(), type);
}

int AfxMessageBoxInCodePage(const char* text, UINT codePage, UINT type) {
    std::wstring wideText = Widen(text ? text : "", codePage);
    if (wideText.empty() && text && *text)
        return AfxMessageBox(text, type);
    std::wstring caption = Widen(AfxGetAppName().c_str(), CP_ACP);
    return ::MessageBoxW(MessageBoxOwner(), wideText.c_str(), caption.c_str(), type);
}
