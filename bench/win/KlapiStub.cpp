// A device library for the benchmark only: every channel answers the same
// reply from memory, so that no device cost is mixed into the figures.
#include <windows.h>
#include <cstring>

namespace {
const char kReply[] = "@BDC ST\r\nST:04;IQ:645A4B3C2D1E;\x0C";
constexpr int kReplySize = sizeof kReply - 1;
constexpr int kBufferTooSmall = -4;
} // namespace

extern "C" {
int WINAPI KLInitialize() {
    return 0;
}
int WINAPI KLRelease() {
    return 0;
}
int WINAPI KLGetDeviceID(int, const char*, char*, int*) {
    return -16;
}
int WINAPI KLGetAvailableChannel(int, const char*, void*, int*) {
    return -3;
}
int WINAPI KLOpenChannel(int, const char*, int) {
    return 1;
}
int WINAPI KLCloseChannel(int) {
    return 0;
}
int WINAPI KLSetOption(int, int, void*) {
    return 0;
}
int WINAPI KLReceiveCancel(int) {
    return 0;
}
int WINAPI KLGetStatus(int channel, void* buffer, int* size) {
    if (!channel || !size)
        return -16;
    if (!buffer || *size < kReplySize) {
        *size = kReplySize;
        return kBufferTooSmall;
    }
    std::memcpy(buffer, kReply, kReplySize);
    *size = kReplySize;
    return kReplySize;
}
int WINAPI KLReceive(int, void*, int*, int) {
    return 0;
}
}
