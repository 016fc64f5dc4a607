#pragma once
#include <windows.h>

#include <string>

// Where an installation keeps what a monitor window needs, found the way the
// product's own components find it. Each returns "" when nothing fits.

// The model's settings file: HKEY_LOCAL_MACHINE "software\VORNE\KVR7\Profile",
// the value named after the model.
std::string SettingsFileOf(const std::string& model);

// The language resource library for the user's language: the "ResDll" of the
// settings file's language section, in the printer driver's install directory.
std::string InstalledResourceLibrary(const std::string& printer, const std::string& settingsFile);

// The same choice for a language in a given directory: the section that fits
// the language, else the one for US English, else the first section whose
// library exists there.
std::string ResourceLibraryIn(const std::string& directory, const std::string& settingsFile,
                              LANGID language);

// A file of this name beside the running program.
std::string BesideProgram(const std::string& fileName);

// The port the spooler has for the printer.
std::string SpoolerPortOf(const std::string& printer);
