#include "tests/ui/UiTestSupport.h"

#include <cstdio>
#include <stdexcept>

#include "exports/StatusLibraryApp.h"
#include "framework/ResourceModule.h"
#include "support/Registry.h"

std::string BinDir() {
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, sizeof path);
    std::string dir(path);
    return dir.substr(0, dir.find_last_of('\\'));
}

std::string UiTestDir() {
    // Programs built into the stand-ins' folder find them beside themselves.
    std::string bin = BinDir();
    const std::string tail = "\\uitest";
    if (bin.size() >= tail.size() &&
        ::lstrcmpiA(bin.c_str() + bin.size() - tail.size(), tail.c_str()) == 0)
        return bin;
    return bin + tail;
}

TempDir::TempDir() {
    char base[MAX_PATH] = {};
    ::GetTempPathA(sizeof base, base);
    static int counter = 0;
    char name[MAX_PATH];
    std::snprintf(name, sizeof name, "%spqif-ui-%lu-%d", base, ::GetCurrentProcessId(), ++counter);
    path_ = name;
    ::CreateDirectoryA(path_.c_str(), nullptr);
}

TempDir::~TempDir() {
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((path_ + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            ::DeleteFileA((path_ + "\\" + found.cFileName).c_str());
        } while (::FindNextFileA(search, &found));
        ::FindClose(search);
    }
    ::RemoveDirectoryA(path_.c_str());
}

void TempDir::Write(const std::string& name, const std::string& text) const {
    FILE* file = std::fopen(File(name).c_str(), "wb");
    if (!file)
        return;
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
}

KeyBackup::KeyBackup(HKEY root, const std::string& path) : root_(root), path_(path) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    existed_ = true;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD nameSize = sizeof name, type = 0, dataSize = 0;
        if (::RegEnumValueA(key, i, name, &nameSize, nullptr, &type, nullptr, &dataSize) !=
            ERROR_SUCCESS)
            break;
        Value value{std::string(name, nameSize), type, std::vector<BYTE>(dataSize)};
        ::RegQueryValueExA(key, value.name.c_str(), nullptr, nullptr, value.data.data(), &dataSize);
        values_.push_back(std::move(value));
    }
    ::RegCloseKey(key);
}

void KeyBackup::Clear() const {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(root_, path_.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    for (;;) {
        char name[256];
        DWORD nameSize = sizeof name;
        if (::RegEnumValueA(key, 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        if (::RegDeleteValueA(key, name) != ERROR_SUCCESS)
            break;
    }
    ::RegCloseKey(key);
}

KeyBackup::~KeyBackup() {
    Clear();
    if (!existed_) {
        ::RegDeleteKeyA(root_, path_.c_str());
        return;
    }
    Registry key(root_, path_.c_str(), true);
    for (const Value& value : values_)
        ::RegSetValueExA(key.Handle(), value.name.c_str(), 0, value.type, value.data.data(),
                         static_cast<DWORD>(value.data.size()));
}

namespace {
// A set-up write that fails would make a test judge the wrong registry: it
// ends the test (gtest reports the exception) or the tool that set it up.
void Written(bool ok, const char* name) {
    if (!ok)
        throw std::runtime_error(std::string("registry value not written: ") + name);
}
} // namespace

void KeyBackup::SetString(const char* name, const std::string& value) const {
    Registry key(root_, path_.c_str(), true);
    Written(key.SetString(name, value.c_str()), name);
}

void KeyBackup::SetDword(const char* name, DWORD value) const {
    Registry key(root_, path_.c_str(), true);
    Written(key.SetDword(name, value), name);
}

CommonKeyScope::CommonKeyScope(const std::string& name)
    : path_("Software\\PqifTests\\" + name), previous_(CommonKeyPath) {
    Registry parent(HKEY_LOCAL_MACHINE, "Software\\PqifTests", false, KEY_ALL_ACCESS);
    parent.DeleteKey(name.c_str());
    Registry create(HKEY_LOCAL_MACHINE, path_.c_str(), true);
    CommonKeyPath = path_;
}

CommonKeyScope::~CommonKeyScope() {
    Registry parent(HKEY_LOCAL_MACHINE, "Software\\PqifTests", false, KEY_ALL_ACCESS);
    parent.DeleteKey(path_.substr(path_.rfind('\\') + 1).c_str());
    CommonKeyPath = previous_;
}

void CommonKeyScope::SetString(const char* name, const std::string& value) const {
    Registry key(HKEY_LOCAL_MACHINE, path_.c_str(), false, KEY_ALL_ACCESS);
    Written(key.SetString(name, value.c_str()), name);
}

ResourceModuleScope::ResourceModuleScope()
    : module_(::LoadLibraryA((UiTestDir() + "\\UIRES.DLL").c_str())),
      previous_(AfxGetResourceHandle()) {
    AfxSetResourceHandle(module_);
}

ResourceModuleScope::~ResourceModuleScope() {
    AfxSetResourceHandle(previous_ == AfxGetInstanceHandle() ? nullptr : previous_);
    if (module_)
        ::FreeLibrary(module_);
}

std::wstring Widen(const std::string& text, UINT codePage) {
    int length = ::MultiByteToWideChar(codePage, 0, text.c_str(), -1, nullptr, 0);
    if (length <= 0)
        return {};
    std::wstring wide(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(codePage, 0, text.c_str(), -1, &wide[0], length);
    wide.resize(static_cast<size_t>(length) - 1);
    return wide;
}

std::wstring LoadResourceStringW(HINSTANCE module, UINT id) {
    wchar_t buffer[1024] = {};
    int length = ::LoadStringW(module, id, buffer, 1024);
    return std::wstring(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}

namespace {
BOOL CALLBACK CollectMessageBox(HWND hwnd, LPARAM param) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    char cls[32] = {};
    ::GetClassNameA(hwnd, cls, sizeof cls);
    // A message box is a dialog whose text is the static 0xFFFF.
    if (pid == ::GetCurrentProcessId() && std::string(cls) == "#32770" && ::IsWindowVisible(hwnd) &&
        ::GetDlgItem(hwnd, 0xFFFF))
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
    return TRUE;
}
} // namespace

MessageBoxWatcher::MessageBoxWatcher() : thread_([this] { Run(); }) {}

MessageBoxWatcher::~MessageBoxWatcher() {
    stop_ = true;
    thread_.join();
}

std::vector<MessageBoxWatcher::Box> MessageBoxWatcher::Boxes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return boxes_;
}

void MessageBoxWatcher::Run() {
    while (!stop_) {
        struct {
            std::vector<HWND> boxes;
        } found;
        ::EnumWindows(CollectMessageBox, reinterpret_cast<LPARAM>(&found.boxes));
        for (HWND box : found.boxes) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                bool seen = false;
                for (HWND h : answered_)
                    seen = seen || h == box;
                if (!seen) {
                    wchar_t caption[512] = {}, text[2048] = {};
                    ::GetWindowTextW(box, caption, 512);
                    ::GetDlgItemTextW(box, 0xFFFF, text, 2048);
                    boxes_.push_back({caption, text});
                    answered_.push_back(box);
                }
            }
            ::PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
        ::Sleep(20);
    }
}

namespace {
LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcA(hwnd, message, wParam, lParam);
}
} // namespace

HWND MakeHostWindow(int width, int height, int x, int y) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = HostProc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
        wc.lpszClassName = "PqifUiTestHost";
        ::RegisterClassA(&wc);
        registered = true;
    }
    RECT rect = {0, 0, width, height};
    ::AdjustWindowRect(&rect, WS_POPUP | WS_BORDER, FALSE);
    HWND hwnd = ::CreateWindowExA(0, "PqifUiTestHost", "ui test", WS_POPUP | WS_BORDER | WS_VISIBLE,
                                  x, y, rect.right - rect.left, rect.bottom - rect.top, nullptr,
                                  nullptr, ::GetModuleHandleA(nullptr), nullptr);
    ::UpdateWindow(hwnd);
    PumpMessages(50);
    return hwnd;
}

HWND MakeChild(HWND parent, const char* className, DWORD style, int x, int y, int width, int height,
               int id) {
    return ::CreateWindowExA(0, className, "", WS_CHILD | WS_VISIBLE | style, x, y, width, height,
                             parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             ::GetModuleHandleA(nullptr), nullptr);
}

void PumpMessages(int ms) {
    DWORD end = ::GetTickCount() + static_cast<DWORD>(ms);
    do {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        ::Sleep(5);
    } while (static_cast<LONG>(::GetTickCount() - end) < 0);
}

Capture::Capture(HWND hwnd) {
    RECT client = {};
    ::GetClientRect(hwnd, &client);
    width_ = client.right;
    height_ = client.bottom;
    if (width_ <= 0 || height_ <= 0)
        return;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = ::GetDC(hwnd);
    HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = ::CreateCompatibleDC(screen);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width_, height_, screen, 0, 0, SRCCOPY);
    ::GdiFlush();
    const DWORD* p = static_cast<const DWORD*>(bits);
    pixels_.assign(p, p + static_cast<size_t>(width_) * height_);
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
    ::DeleteObject(bitmap);
    ::ReleaseDC(hwnd, screen);
}

COLORREF Capture::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return CLR_INVALID;
    DWORD p = pixels_[static_cast<size_t>(y) * width_ + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

int Capture::CountInRow(int y, COLORREF colour) const {
    int count = 0;
    for (int x = 0; x < width_; ++x)
        count += At(x, y) == colour ? 1 : 0;
    return count;
}
