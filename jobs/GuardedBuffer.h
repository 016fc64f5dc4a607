#pragma once
#include <windows.h>
#include <cstddef>

// Bytes that end where an inaccessible page begins, so that a write past their
// end faults at its first byte instead of overwriting what lies beyond. The RPC
// run time copies a reply's array as long as the reply says it is; receiving into
// this buffer turns an overlong reply into an exception that the caller catches.
class GuardedBuffer {
public:
    GuardedBuffer() = default;
    ~GuardedBuffer();
    GuardedBuffer(const GuardedBuffer&) = delete;
    GuardedBuffer& operator=(const GuardedBuffer&) = delete;

    // size bytes right before the guard page; null when they cannot be had.
    unsigned char* Take(size_t size);

private:
    void Free() noexcept;

    unsigned char* base_ = nullptr;
    size_t usable_ = 0; // bytes before the guard page
};
