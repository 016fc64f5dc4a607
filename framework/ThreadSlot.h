#pragma once
#include <windows.h>

// One pointer per thread, in a Win32 TLS slot. Only pointers to objects that
// live on the owning thread's stack go in, so nothing is allocated per thread
// and nothing is left to free when a thread ends or the library is unloaded.
class ThreadSlot {
public:
    ThreadSlot() noexcept : index_(::TlsAlloc()) {}
    ~ThreadSlot() {
        if (index_ != TLS_OUT_OF_INDEXES)
            ::TlsFree(index_);
    }
    ThreadSlot(const ThreadSlot&) = delete;
    ThreadSlot& operator=(const ThreadSlot&) = delete;

    void* Get() const noexcept {
        return index_ != TLS_OUT_OF_INDEXES ? ::TlsGetValue(index_) : nullptr;
    }
    // False when the process has no slot left for this library.
    bool Set(void* value) noexcept {
        return index_ != TLS_OUT_OF_INDEXES && ::TlsSetValue(index_, value);
    }

private:
    DWORD index_;
};
