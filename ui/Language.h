#pragma once
#include <string>

// Choice of the language section of a printer model's settings file, and readers
// of that section.
//
// The settings file's "Language" section lists "Section=primary,sub" lines (both
// numbers hexadecimal). The section that fits the user's language is taken if its
// "ResDll" resource library exists in the install directory; else the one for US
// English; else the first section whose resource library exists. The first choice
// is cached for the process in LanguageSection and returned from then on.

// Results: 0 or more on success (the length of the chosen "ResDll" name, or 0),
// -3 out of memory, -4 buffer too small (*length then tells the length needed).
// *length is the buffer size in; callers pass 260 bytes.
int GetLanguageSection(char* section, int* length, const char* settingsPath);

// The key's value from the chosen section. 0 read (*size in: buffer size, out: the
// length read); -1 no section could be chosen, or the key is missing or empty.
int LangGetString(const char* key, char* value, int* size, const char* settingsPath);

// The key's number from the chosen section (GetPrivateProfileInt), or -1 when no
// section could be chosen.
int LangGetInt(const char* key, int defaultValue, const char* settingsPath);

// 1 when the install directory + "\" + fileName names an existing file, else 0
// (also when the common key cannot be opened).
int ResourceLibraryExists(const char* fileName);
