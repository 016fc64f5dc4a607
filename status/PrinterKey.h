#pragma once
#include <windows.h>
#include <cstddef>

// Per-printer keys under HKEY_CURRENT_USER, found by their "Name" value: one
// base key for printers (by spooler name) and one for ports.
extern const char* const PrinterTargetsPath; // selector 0
extern const char* const PortTargetsPath;    // selector 1
// HKEY_LOCAL_MACHINE key whose "Status" text stands in for a device reply
// while testing (the status query without a channel, the window in debug mode).
extern const char* const DebugReplyKeyPath;

constexpr int SelectByPrinter = 0;
constexpr int SelectByPort = 1;
constexpr std::size_t PrinterKeyPathSize = 260;

// 0 found (path written, at most PrinterKeyPathSize bytes with its zero); 1 no
// subkey matches; 4 base key not readable; 5 bad selector. A subkey whose full
// path would not fit the buffer cannot match.
[[nodiscard]] int FindPrinterKey(const char* name, int selector, char* path);

// The by-printer rule: the printer name when it is non-empty or there is no
// port name, else the port name.
[[nodiscard]] int FindPrinterKeyFor(const char* printerName, const char* portName, char* path);

// 0 stored; 1 printer key not found; 2 key not opened or not written.
[[nodiscard]] int StoreRawStatus(const char* printerName, const char* portName, const void* bytes,
                                 DWORD length);

// -1 key not found or not opened; 0 no "Status" value (length 0) or unreadable;
// 1 otherwise. A null buffer asks for the size. With a buffer, the value is
// copied only when it fits bufferSize (it may have grown since the size
// query), and the length becomes the number of bytes copied.
[[nodiscard]] int ReadRawStatus(const char* printerName, const char* portName, void* buffer,
                                DWORD bufferSize, DWORD* length);

// Communication state: 1 the last reply was decoded; 0 or 4 the last query
// failed; 2 when read back for a printer without a key or value.
void WriteComStatus(const char* printerName, const char* portName, DWORD value);
DWORD ReadComStatus(const char* printerName, const char* portName);

// The same stores on a key already found, so one query looks the key up once.
[[nodiscard]] int StoreRawStatusAt(const char* keyPath, const void* bytes, DWORD length);
void WriteComStatusAt(const char* keyPath, DWORD value);
// A decoded reply: the reply and communication state 1, through one open key.
[[nodiscard]] int StoreDecodedReplyAt(const char* keyPath, const void* bytes, DWORD length);
