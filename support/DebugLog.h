#pragma once

// Field-diagnosis trace. While the product key's "log" switch is on, each call
// appends its formatted text to c:\HERON.LOG, opening and closing the file every
// time so the text is on disk when the call returns. Off: returns at once.
// Every failure is silent. Pass device bytes with a bound ("%.*s").
void DebugLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The fixed path of the trace file.
extern const char* const DebugLogPath;
