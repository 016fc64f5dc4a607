#pragma once
#include <windows.h>

// The framework's current resource module: strings, icons and dialog templates
// are taken from it by id. Each thread that runs a window has its own (a
// ResourceScope), so windows on several threads never see each other's, nor
// one that a finished window has unloaded. Elsewhere it is the process-wide
// module, and until that is set, this module itself.
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE module);

// Makes module the calling thread's resource module until the scope ends;
// scopes nest (a window opened from another window's thread).
class ResourceScope {
public:
    explicit ResourceScope(HINSTANCE module) noexcept;
    ~ResourceScope();
    ResourceScope(const ResourceScope&) = delete;
    ResourceScope& operator=(const ResourceScope&) = delete;

private:
    void* m_Previous;
    bool m_Set;
};
