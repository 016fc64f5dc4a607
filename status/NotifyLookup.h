#pragma once
#include <windows.h>

// Whether to notify the user of an item, and whether to play its sound: from
// the printer key ("SoundNotifyEnable", "Notify\NNN"), else from the model's
// settings file. The sound flag ends up as sound AND notify. Returns how many
// of the two settings were found nowhere (0, 1 or 2).
int NotifyLookup(const char* printerName, const char* portName, int item, LONG* sound, LONG* notify,
                 const char* modelName);

// The same on a printer key already looked up (null: the printer has none).
int NotifyLookupAt(const char* keyPath, int item, LONG* sound, LONG* notify, const char* modelName);

// The model's settings file from the product's profile key: 0 when the file
// exists and has a line starting with "[" and the model name (any case); 1
// otherwise. The path buffer holds 260 bytes.
int FindModelIni(char* path, const char* modelName);

extern const char* const ProfileKeyPath;
