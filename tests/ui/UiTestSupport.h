#pragma once
#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Helpers of the ui tests: test folders, registry snapshots, the tests' resource
// module, message-box watching, host windows and pixel capture.

// Folder of the test program, and of the stand-ins it was built with.
std::string BinDir();
std::string UiTestDir();

// A fresh folder under %TEMP%, removed with its files at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "\\" + name; }
    void Write(const std::string& name, const std::string& text) const;

private:
    std::string path_;
};

// Snapshot of one key's values (not its subkeys); put back at the end, and the key
// removed again when it did not exist before.
class KeyBackup {
public:
    KeyBackup(HKEY root, const std::string& path);
    ~KeyBackup();
    KeyBackup(const KeyBackup&) = delete;
    KeyBackup& operator=(const KeyBackup&) = delete;
    void Clear() const; // removes every value now
    void SetString(const char* name, const std::string& value) const;
    void SetDword(const char* name, DWORD value) const;

private:
    struct Value {
        std::string name;
        DWORD type;
        std::vector<BYTE> data;
    };
    HKEY root_;
    std::string path_;
    bool existed_ = false;
    std::vector<Value> values_;
};

// Points CommonKeyPath at a scratch key under HKEY_LOCAL_MACHINE for the test.
class CommonKeyScope {
public:
    explicit CommonKeyScope(const std::string& name);
    ~CommonKeyScope();
    CommonKeyScope(const CommonKeyScope&) = delete;
    CommonKeyScope& operator=(const CommonKeyScope&) = delete;
    const std::string& path() const { return path_; }
    void SetString(const char* name, const std::string& value) const;

private:
    std::string path_;
    std::string previous_;
};

// Loads the tests' resource module (uitest\UIRES.DLL) and makes it the current
// resource module, as the monitor launch does with the language resource library.
class ResourceModuleScope {
public:
    ResourceModuleScope();
    ~ResourceModuleScope();
    ResourceModuleScope(const ResourceModuleScope&) = delete;
    ResourceModuleScope& operator=(const ResourceModuleScope&) = delete;
    HINSTANCE module() const { return module_; }

private:
    HINSTANCE module_;
    HINSTANCE previous_;
};

// Watches for message boxes of this process, records caption and text, and
// answers each with OK.
class MessageBoxWatcher {
public:
    struct Box {
        std::wstring caption;
        std::wstring text;
    };
    MessageBoxWatcher();
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;
    std::vector<Box> Boxes() const;

private:
    void Run();
    mutable std::mutex mutex_;
    std::vector<Box> boxes_;
    std::vector<HWND> answered_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

std::wstring Widen(const std::string& text, UINT codePage = CP_ACP);
std::wstring LoadResourceStringW(HINSTANCE module, UINT id);

// A visible top-level popup at (x, y) of the given client size.
HWND MakeHostWindow(int width, int height, int x = 0, int y = 0);
// A child control of the given class in a host window.
HWND MakeChild(HWND parent, const char* className, DWORD style, int x, int y, int width, int height,
               int id);

// Dispatches this thread's messages for about ms milliseconds.
void PumpMessages(int ms);

// The client area of a window as it is on the screen.
class Capture {
public:
    explicit Capture(HWND hwnd);
    COLORREF At(int x, int y) const;
    int width() const { return width_; }
    int height() const { return height_; }
    // Pixels of the row (or column) equal to colour.
    int CountInRow(int y, COLORREF colour) const;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<DWORD> pixels_;
};
