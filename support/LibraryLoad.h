#pragma once
#include <windows.h>
#include <string>

#include "framework/Handles.h"

// Loading of the product's libraries by absolute path only (LibraryPath.h).

// This library's own folder, without a trailing separator; empty when unknown.
std::string OwnFolder();

// "InstallPath" of the printer's driver key (HKEY_LOCAL_MACHINE), without a
// trailing separator; empty when the key or the value is missing.
std::string DriverInstallFolder(const std::string& driverKeyPath);

// A library whose code runs (exports called, window classes registered): the
// name resolved against folder, else against this library's own folder. Its
// own imports are looked for beside it first.
UniqueModule LoadCodeLibrary(const std::string& name, const std::string& folder);

// A library of resources only (strings, icons, bitmaps, dialog templates):
// mapped as an image without running any of its code.
UniqueModule LoadResourceLibrary(const std::string& name, const std::string& folder);

// The path LoadCodeLibrary and LoadResourceLibrary use; empty when there is none.
std::string LibraryPathFor(const std::string& name, const std::string& folder);
