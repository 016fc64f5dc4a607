#pragma once
#include <string>

#include "support/SharedText.h"

// The values that belong to a running monitor window: its printer's common key
// and the language section chosen for it. Several windows may run at once on
// different threads; each reads its own through the thread it runs on. The
// process-wide values keep the last ones set, for callers outside a window.
struct WindowValues {
    std::string commonKeyPath;
    std::string languageSection; // empty until the window first chooses one
    std::string resourceLibrary; // file name of the window's language library
};

// Makes values the calling thread's window values until the scope ends; scopes
// nest. The values must outlive the scope.
class WindowValuesScope {
public:
    explicit WindowValuesScope(WindowValues* values) noexcept;
    ~WindowValuesScope();
    WindowValuesScope(const WindowValuesScope&) = delete;
    WindowValuesScope& operator=(const WindowValuesScope&) = delete;

private:
    void* m_Previous;
    bool m_Set;
};

// The calling thread's window values; null when no window runs on it.
WindowValues* CurrentWindowValues() noexcept;

// Process-wide values: the common key of the window that started last, and
// the language section of the first successful choice.
extern SharedText CommonKeyPath;
extern SharedText LanguageSection;

// The common key for the calling thread: its window's, else the process-wide one.
std::string CurrentCommonKeyPath();

// Sets the calling thread's window's common key (when a window runs on it) and
// the process-wide one.
void SetCurrentCommonKeyPath(const std::string& path);
