#pragma once
// Keeps a dialog template usable when a library that should provide one of its
// control classes is missing: every class the template names that nobody has
// registered gets a placeholder window class (a blank control) for as long as
// this object lives. The monitor window's ink-level controls come from the
// ink library; without it the window still opens, with a blank ink area.
#include <windows.h>

#include <string>
#include <vector>

class PlaceholderClasses {
public:
    PlaceholderClasses(HINSTANCE resourceModule, UINT templateId);
    ~PlaceholderClasses();
    PlaceholderClasses(const PlaceholderClasses&) = delete;
    PlaceholderClasses& operator=(const PlaceholderClasses&) = delete;
    // The classes this object registered.
    const std::vector<std::wstring>& Registered() const { return m_Registered; }

private:
    std::vector<std::wstring> m_Registered;
    HINSTANCE m_Owner;
};
