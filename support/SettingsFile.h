#pragma once
#include <cstddef>

// Readers of a printer model's settings file (INI-like text). Section and key
// names match without regard to ASCII case; a key line is the key, '=' and the
// value with nothing in between. Lines are read 309 bytes at a time, as the
// product's own files have always been read.
//
// Results: 0 read; -1 section found but key missing or value malformed;
// 1 file not readable or no such section.

constexpr std::size_t SettingsStringSize = 260; // output buffer of SettingsGetString

[[nodiscard]] int SettingsGetInt(const char* path, const char* section, const char* key,
                                 int* value);
[[nodiscard]] int SettingsGetString(const char* path, const char* section, const char* key,
                                    char* value /* SettingsStringSize bytes */);

// The same readers over file contents already in memory.
[[nodiscard]] int SettingsTextGetInt(const char* text, std::size_t length, const char* section,
                                     const char* key, int* value);
[[nodiscard]] int SettingsTextGetString(const char* text, std::size_t length, const char* section,
                                        const char* key, char* value);
