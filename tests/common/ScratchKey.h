#pragma once
#include <windows.h>
#include <string>

#include "support/Registry.h"

// A registry key of a test's own under HKEY_CURRENT_USER\Software\PqifTests,
// removed with everything below it when the test ends.
class ScratchKey {
public:
    explicit ScratchKey(const std::string& name, HKEY root = HKEY_CURRENT_USER)
        : root_(root), path_("Software\\PqifTests\\" + name) {
        Remove();
        Registry create(root_, path_.c_str(), true);
    }
    ~ScratchKey() { Remove(); }
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;

    const std::string& path() const { return path_; }
    const char* c_str() const { return path_.c_str(); }
    HKEY root() const { return root_; }

private:
    void Remove() {
        Registry parent(root_, "Software\\PqifTests", false, KEY_ALL_ACCESS);
        parent.DeleteKey(path_.substr(path_.rfind('\\') + 1).c_str());
    }

    HKEY root_;
    std::string path_;
};
