#pragma once
#include <windows.h>
#include <winspool.h>

// Move-only owners of Win32 handles. Pass put() straight to the API that fills
// the handle; release() hands ownership on.
template <typename Traits> class UniqueHandle {
public:
    using pointer = typename Traits::pointer;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(pointer h) noexcept : m_Handle(h) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : m_Handle(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    pointer get() const noexcept { return m_Handle; }
    pointer* put() noexcept {
        reset();
        return &m_Handle;
    }
    [[nodiscard]] pointer release() noexcept {
        pointer h = m_Handle;
        m_Handle = Traits::invalid();
        return h;
    }
    void reset(pointer h = Traits::invalid()) noexcept {
        if (m_Handle != Traits::invalid())
            Traits::close(m_Handle);
        m_Handle = h;
    }
    explicit operator bool() const noexcept { return m_Handle != Traits::invalid(); }

private:
    pointer m_Handle = Traits::invalid();
};

namespace handle_traits {
struct KernelHandle {
    using pointer = HANDLE;
    static HANDLE invalid() noexcept { return nullptr; }
    static void close(HANDLE h) noexcept { ::CloseHandle(h); }
};
struct FileHandle {
    using pointer = HANDLE;
    static HANDLE invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) noexcept { ::CloseHandle(h); }
};
struct FindHandle {
    using pointer = HANDLE;
    static HANDLE invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) noexcept { ::FindClose(h); }
};
struct PrinterHandle {
    using pointer = HANDLE;
    static HANDLE invalid() noexcept { return nullptr; }
    static void close(HANDLE h) noexcept { ::ClosePrinter(h); }
};
struct RegKey {
    using pointer = HKEY;
    static HKEY invalid() noexcept { return nullptr; }
    static void close(HKEY h) noexcept { ::RegCloseKey(h); }
};
struct Module {
    using pointer = HMODULE;
    static HMODULE invalid() noexcept { return nullptr; }
    static void close(HMODULE h) noexcept { ::FreeLibrary(h); }
};
struct Local {
    using pointer = HLOCAL;
    static HLOCAL invalid() noexcept { return nullptr; }
    static void close(HLOCAL h) noexcept { ::LocalFree(h); }
};
struct Global {
    using pointer = HGLOBAL;
    static HGLOBAL invalid() noexcept { return nullptr; }
    static void close(HGLOBAL h) noexcept { ::GlobalFree(h); }
};
struct MapView {
    using pointer = void*;
    static void* invalid() noexcept { return nullptr; }
    static void close(void* p) noexcept { ::UnmapViewOfFile(p); }
};
struct MemoryDC {
    using pointer = HDC;
    static HDC invalid() noexcept { return nullptr; }
    static void close(HDC h) noexcept { ::DeleteDC(h); }
};
template <typename T> struct GdiObject {
    using pointer = T;
    static T invalid() noexcept { return nullptr; }
    static void close(T h) noexcept { ::DeleteObject(h); }
};
struct Icon {
    using pointer = HICON;
    static HICON invalid() noexcept { return nullptr; }
    static void close(HICON h) noexcept { ::DestroyIcon(h); }
};
} // namespace handle_traits

using UniqueKernelHandle = UniqueHandle<handle_traits::KernelHandle>;
using UniqueFile = UniqueHandle<handle_traits::FileHandle>;
using UniqueFind = UniqueHandle<handle_traits::FindHandle>;
using UniquePrinter = UniqueHandle<handle_traits::PrinterHandle>;
using UniqueHKey = UniqueHandle<handle_traits::RegKey>;
using UniqueModule = UniqueHandle<handle_traits::Module>;
using UniqueLocal = UniqueHandle<handle_traits::Local>;
using UniqueGlobal = UniqueHandle<handle_traits::Global>;
using UniqueMapView = UniqueHandle<handle_traits::MapView>;
using UniqueMemoryDC = UniqueHandle<handle_traits::MemoryDC>;
using UniqueFont = UniqueHandle<handle_traits::GdiObject<HFONT>>;
using UniqueBitmap = UniqueHandle<handle_traits::GdiObject<HBITMAP>>;
using UniqueBrush = UniqueHandle<handle_traits::GdiObject<HBRUSH>>;
using UniquePalette = UniqueHandle<handle_traits::GdiObject<HPALETTE>>;
using UniqueIcon = UniqueHandle<handle_traits::Icon>;

// A window's device context from GetDC, released on scope exit.
class WindowDC {
public:
    explicit WindowDC(HWND hwnd) noexcept : m_Window(hwnd), m_Dc(::GetDC(hwnd)) {}
    ~WindowDC() {
        if (m_Dc)
            ::ReleaseDC(m_Window, m_Dc);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const noexcept { return m_Dc; }
    explicit operator bool() const noexcept { return m_Dc != nullptr; }

private:
    HWND m_Window;
    HDC m_Dc;
};

// Selects a GDI object into a DC and puts the previous one back on scope exit.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ obj) noexcept
        : m_Dc(dc), m_Previous(obj ? ::SelectObject(dc, obj) : nullptr) {}
    ~SelectedObject() {
        if (m_Previous && m_Previous != HGDI_ERROR)
            ::SelectObject(m_Dc, m_Previous);
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    bool ok() const noexcept { return m_Previous != nullptr && m_Previous != HGDI_ERROR; }

private:
    HDC m_Dc;
    HGDIOBJ m_Previous;
};

// A fixed LocalAlloc block, the allocation the device-data conventions ask for.
class LocalBuffer {
public:
    explicit LocalBuffer(SIZE_T size) noexcept
        : m_Block(size ? ::LocalAlloc(LMEM_FIXED | LMEM_ZEROINIT, size) : nullptr),
          m_Size(m_Block.get() ? size : 0) {}
    BYTE* data() const noexcept { return static_cast<BYTE*>(m_Block.get()); }
    SIZE_T size() const noexcept { return m_Size; }
    explicit operator bool() const noexcept { return static_cast<bool>(m_Block); }
    [[nodiscard]] HLOCAL release() noexcept {
        m_Size = 0;
        return m_Block.release();
    }

private:
    UniqueLocal m_Block;
    SIZE_T m_Size;
};

// Keeps a global memory block locked while it is used; unlocked, not freed, at the end.
class LockedGlobal {
public:
    explicit LockedGlobal(HGLOBAL mem) : m_Block(mem), m_Data(mem ? ::GlobalLock(mem) : nullptr) {}
    ~LockedGlobal() {
        if (m_Data)
            ::GlobalUnlock(m_Block);
    }
    LockedGlobal(const LockedGlobal&) = delete;
    LockedGlobal& operator=(const LockedGlobal&) = delete;
    void* data() const { return m_Data; }

private:
    HGLOBAL m_Block;
    void* m_Data;
};
