#pragma once
#include <windows.h>

// The in-process print manager's exports, by ordinal, as the client calls them.
namespace PmOrdinal {
constexpr WORD OpenQueue = 3;
constexpr WORD CloseQueue = 4;
constexpr WORD HasJob = 5;
constexpr WORD GetCurrentJob = 102;
constexpr WORD IsJobActive = 103;
constexpr WORD SetJobValue = 200;
constexpr WORD GetJobValue = 202;
constexpr WORD BeginJobWatch = 300;
constexpr WORD EndJobWatch = 301;
} // namespace PmOrdinal

using PmOpenQueueFn = LONG(WINAPI*)(const char* printerName, const char* portName, LONG mode,
                                    const void* data);
using PmQueueFn = LONG(WINAPI*)(LONG queue);
using PmQueueJobFn = LONG(WINAPI*)(LONG queue, LONG job);
using PmSetJobValueFn = LONG(WINAPI*)(LONG queue, LONG job, LONG kind, const void* value);
using PmGetJobValueFn = LONG(WINAPI*)(LONG queue, LONG job, LONG kind, void* buffer, LONG size,
                                      LONG* needed);

constexpr const char PmModuleName[] = "vrkit10.dll";
