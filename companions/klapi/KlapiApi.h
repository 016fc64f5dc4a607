#pragma once
#include <windows.h>

// The entry points of the bidirectional-communication library as this module
// exports them (__stdcall, undecorated names), and the results they give.

constexpr int KLAPI_OK = 0;
constexpr int KLAPI_NO_CHANNEL = -3;
constexpr int KLAPI_BUFFER_TOO_SMALL = -4;
constexpr int KLAPI_FAILURE = -16;
constexpr int KLAPI_IN_USE = -17;

// KLSetOption option whose value points to an HWND that receives
// KLAPI_STATUS_MESSAGE (lParam = channel handle) whenever the status changes.
constexpr int KLAPI_OPTION_NOTIFY_WINDOW = 4;
constexpr UINT KLAPI_STATUS_MESSAGE = WM_USER + 2;

extern "C" {
int WINAPI KLInitialize();
int WINAPI KLRelease();
int WINAPI KLGetDeviceID(int byPrinter, const char* name, char* buffer, int* size);
int WINAPI KLGetAvailableChannel(int byPrinter, const char* name, void* buffer, int* size);
int WINAPI KLOpenChannel(int byPrinter, const char* name, int channelId);
int WINAPI KLCloseChannel(int channel);
int WINAPI KLSetOption(int channel, int option, void* value);
int WINAPI KLReceiveCancel(int channel);
int WINAPI KLGetStatus(int channel, void* buffer, int* size);
int WINAPI KLReceive(int channel, void* buffer, int* size, int reserved);
}
