#include "support/LibraryPath.h"

namespace {
bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

bool IsDriveLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
} // namespace

bool IsAbsolutePath(const std::string& path) {
    if (path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == ':' && IsSeparator(path[2]))
        return true;
    // A UNC path needs a server name after the two separators.
    return path.size() >= 3 && IsSeparator(path[0]) && IsSeparator(path[1]) &&
           !IsSeparator(path[2]);
}

std::string ResolveLibraryPath(const std::string& name, const std::string& folder) {
    if (name.empty())
        return {};
    if (IsAbsolutePath(name))
        return name;
    if (IsSeparator(name[0]) || (name.size() >= 2 && name[1] == ':'))
        return {};
    if (!IsAbsolutePath(folder))
        return {};
    if (IsSeparator(folder.back()))
        return folder + name;
    return folder + "\\" + name;
}
