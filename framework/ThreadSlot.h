#pragma once
#include <windows.h>

// One pointer per thread, in a Win32 TLS slot. Only pointers to objects that
// live on the owning thread's stack go in, so nothing is allocated per thread
// and nothing is left to free when a thread ends or the library is unloaded.
class ThreadSlot {
public:
    ThreadSlot() noexcept : m_Index(::TlsAlloc()) {}
    ~ThreadSlot() {
        if (m_Index != TLS_OUT_OF_INDEXES)
            ::TlsFree(m_Index);
    }
    ThreadSlot(const ThreadSlot&) = delete;
    ThreadSlot& operator=(const ThreadSlot&) = delete;

    void* Get() const noexcept {
        return m_Index != TLS_OUT_OF_INDEXES ? ::TlsGetValue(m_Index) : nullptr;
    }
    // False when the process has no slot left for this library.
    bool Set(void* value) noexcept {
        return m_Index != TLS_OUT_OF_INDEXES && ::TlsSetValue(m_Index, value);
    }

private:
    DWORD m_Index;
};
