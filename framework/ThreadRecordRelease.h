#pragma once
// Each module is linked with its own copy of the thread library, which keeps a
// record (a duplicate of the thread handle and an event) for every thread
// that entered it; the runtime's start-up already makes one for the thread
// that loads the module. A record goes when its thread ends, but only while
// the module is still loaded, so a module unloaded while such a thread goes
// on (a host's user-interface thread, a worker that lets the module go) left
// both handles behind. DllMain hands back the calling thread's record, as if
// the thread had ended, once loading is done and again when unloading.
#include <windows.h>

inline void ReleaseThreadRecordOfCallingThread(HMODULE module) {
    // The runtime makes the lock behind function-local statics through the
    // thread library on the first such static's construction; made here, the
    // record it takes is the calling thread's, given back below, instead of
    // that of whichever host thread first constructs one.
    static const DWORD firstCaller = ::GetCurrentThreadId();
    (void)firstCaller;
    auto* base = reinterpret_cast<BYTE*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE)
        return;
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& entry = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_TLS];
    if (entry.VirtualAddress == 0 || entry.Size < sizeof(IMAGE_TLS_DIRECTORY))
        return;
    auto* tls = reinterpret_cast<IMAGE_TLS_DIRECTORY*>(base + entry.VirtualAddress);
    auto* callbacks = reinterpret_cast<PIMAGE_TLS_CALLBACK*>(tls->AddressOfCallBacks);
    // The thread library's callback closes the record's handles on a thread
    // detach; the runtime's own callbacks have no thread-local objects to end
    // right after loading, and none left after the process detach they saw.
    for (; callbacks && *callbacks; ++callbacks)
        (*callbacks)(module, DLL_THREAD_DETACH, nullptr);
}
