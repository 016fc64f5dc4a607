#pragma once
#include <windows.h>
#include <winspool.h>

// Move-only owners of Win32 handles. Pass put() straight to the API that fills
// the handle; release() hands ownership on.
template <typename Traits> class UniqueHandle {
public:
    using pointer = typename Traits::pointer;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(pointer h) noexcept : h_(h) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : h_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    pointer get() const noexcept { return h_; }
    pointer* put() noexcept {
        reset();
        return &h_;
    }
    [[nodiscard]] pointer release() noexcept {
        pointer h = h_;
        h_ = Traits::invalid();
        return h;
    }
    void reset(pointer h = Traits::invalid()) noexcept {
        if (h_ != Traits::invalid())
            Traits::close(h_);
        h_ = h;
    }
    explicit operator bool() const noexcept { return h_ != Traits::invalid(); }

private:
    pointer h_ = Traits::invalid();
};

namespace handle_traits {
template <typename T, typename Close, Close CloseFn> struct NullIsInvalid {
    using pointer = T;
    static T invalid() noexcept { return nullptr; }
    static void close(T h) noexcept { CloseFn(h); }
};
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
    explicit WindowDC(HWND hwnd) noexcept : hwnd_(hwnd), dc_(::GetDC(hwnd)) {}
    ~WindowDC() {
        if (dc_)
            ::ReleaseDC(hwnd_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const noexcept { return dc_; }
    explicit operator bool() const noexcept { return dc_ != nullptr; }

private:
    HWND hwnd_;
    HDC dc_;
};

// Selects a GDI object into a DC and puts the previous one back on scope exit.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ obj) noexcept
        : dc_(dc), previous_(obj ? ::SelectObject(dc, obj) : nullptr) {}
    ~SelectedObject() {
        if (previous_ && previous_ != HGDI_ERROR)
            ::SelectObject(dc_, previous_);
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    bool ok() const noexcept { return previous_ != nullptr && previous_ != HGDI_ERROR; }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// A fixed LocalAlloc block, the allocation the device-data conventions ask for.
class LocalBuffer {
public:
    explicit LocalBuffer(SIZE_T size) noexcept
        : mem_(size ? ::LocalAlloc(LMEM_FIXED | LMEM_ZEROINIT, size) : nullptr),
          size_(mem_.get() ? size : 0) {}
    BYTE* data() const noexcept { return static_cast<BYTE*>(mem_.get()); }
    SIZE_T size() const noexcept { return size_; }
    explicit operator bool() const noexcept { return static_cast<bool>(mem_); }
    [[nodiscard]] HLOCAL release() noexcept {
        size_ = 0;
        return mem_.release();
    }

private:
    UniqueLocal mem_;
    SIZE_T size_;
};

// Keeps a global memory block locked while it is used; unlocked, not freed, at the end.
class LockedGlobal {
public:
    explicit LockedGlobal(HGLOBAL mem) : mem_(mem), data_(mem ? ::GlobalLock(mem) : nullptr) {}
    ~LockedGlobal() {
        if (data_)
            ::GlobalUnlock(mem_);
    }
    LockedGlobal(const LockedGlobal&) = delete;
    LockedGlobal& operator=(const LockedGlobal&) = delete;
    void* data() const { return data_; }

private:
    HGLOBAL mem_;
    void* data_;
};
