#pragma once
// What the process holds, as a host would watch it: GDI and USER objects,
// kernel handles, threads and private bytes. Shared by the host-safety tests
// and the soak benchmarks.
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

struct HostUsage {
    DWORD gdi = 0;
    DWORD user = 0;
    DWORD handles = 0;
    DWORD threads = 0;
    SIZE_T privateBytes = 0;
};

namespace host_usage {

// Wine answers GetGuiResources and GetProcessHandleCount with 0, so where they
// do, the objects are counted another way: GDI objects from the process's GDI
// handle table (the PEB's shared table, one 24-byte entry per handle, type
// byte at offset 14), kernel handles by asking each handle value, and USER
// objects as this process's windows.
struct GdiHandleEntry {
    UINT64 object;
    ULONG owner;
    USHORT extType;
    UCHAR type;
    UCHAR generation;
    UINT64 userPointer;
};
static_assert(sizeof(GdiHandleEntry) == 24, "GDI handle table entry");

inline DWORD CountGdiFromTable() {
#ifdef _WIN64
    const BYTE* peb = nullptr;
    __asm__("movq %%gs:0x60, %0" : "=r"(peb));
    const auto* table = *reinterpret_cast<const GdiHandleEntry* const*>(peb + 0xF8);
#else
    const BYTE* peb = nullptr;
    __asm__("movl %%fs:0x30, %0" : "=r"(peb));
    const auto* table = *reinterpret_cast<const GdiHandleEntry* const*>(peb + 0x94);
#endif
    if (!table)
        return 0;
    DWORD count = 0;
    for (int i = 0; i < 0x10000; ++i)
        if (table[i].type != 0)
            ++count;
    return count;
}

inline DWORD CountKernelHandles() {
    DWORD count = 0;
    for (ULONG_PTR value = 4; value < 0x8000; value += 4) {
        DWORD flags = 0;
        if (::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags))
            ++count;
    }
    return count;
}

inline BOOL CALLBACK CountWindow(HWND hwnd, LPARAM param) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (pid == ::GetCurrentProcessId()) {
        ++*reinterpret_cast<DWORD*>(param);
        ::EnumChildWindows(hwnd, CountWindow, param);
    }
    return TRUE;
}

inline DWORD CountThreads() {
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return 0;
    DWORD count = 0;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Thread32First(snapshot, &entry); more;
         more = ::Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == ::GetCurrentProcessId())
            ++count;
    ::CloseHandle(snapshot);
    return count;
}

} // namespace host_usage

// gdiFromTable tells (when given) whether GDI objects came from the handle table.
inline HostUsage MeasureHostUsage(bool* gdiFromTable = nullptr) {
    HostUsage usage;
    HANDLE self = ::GetCurrentProcess();
    usage.gdi = ::GetGuiResources(self, GR_GDIOBJECTS);
    if (gdiFromTable)
        *gdiFromTable = usage.gdi == 0;
    if (usage.gdi == 0)
        usage.gdi = host_usage::CountGdiFromTable();
    usage.user = ::GetGuiResources(self, GR_USEROBJECTS);
    if (usage.user == 0)
        ::EnumWindows(host_usage::CountWindow, reinterpret_cast<LPARAM>(&usage.user));
    ::GetProcessHandleCount(self, &usage.handles);
    if (usage.handles == 0)
        usage.handles = host_usage::CountKernelHandles();
    usage.threads = host_usage::CountThreads();
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    ::GetProcessMemoryInfo(self, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                           sizeof counters);
    usage.privateBytes = counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
    return usage;
}

// Whether GDI objects can be counted here at all: the count must see one more
// brush while one is alive.
inline bool GdiCountWorks() {
    const DWORD before = MeasureHostUsage().gdi;
    HBRUSH brush = ::CreateSolidBrush(RGB(1, 2, 3));
    const DWORD during = MeasureHostUsage().gdi;
    ::DeleteObject(brush);
    return during == before + 1;
}
