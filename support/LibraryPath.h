#pragma once
#include <string>

// Where a library named by a setting or a caller is loaded from. A library
// found through the search order could be anyone's: a driver's user interface
// often runs with the user's document folder as its current directory. So
// every name is resolved to one absolute path before it is loaded.

// "C:\..." (or "C:/...") and "\\server\share\..." are absolute; "\x" (the
// current drive's root) and "C:x" (the drive's current directory) are not.
bool IsAbsolutePath(const std::string& path);

// The path a library is loaded from: an absolute name as it is; a relative
// one joined to folder, when folder is absolute (with or without a trailing
// separator). Empty when no absolute path results, or for a name that is
// empty or only relative to the current drive.
std::string ResolveLibraryPath(const std::string& name, const std::string& folder);
