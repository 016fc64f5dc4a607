#include "companions/klapi/Journal.h"

#include "framework/Handles.h"
#include "support/Registry.h"

namespace journal {

namespace {

constexpr DWORD kLockWait = 5000;
constexpr const char* kInstallKey = "software\\VORNE\\KLAPIInfo";

std::string ModuleFolder() {
    HMODULE self = nullptr;
    ::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                             GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCSTR>(&ModuleFolder), &self);
    char path[MAX_PATH] = {};
    DWORD n = ::GetModuleFileNameA(self, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return ".";
    std::string folder(path, n);
    return folder.substr(0, folder.find_last_of("\\/"));
}

// The printer's name as a file name: letters, digits, '.', '-' and '_' only.
std::string FileName(const std::string& keyName) {
    std::string name;
    for (char c : keyName) {
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                     c == '-' || c == '_' || c == '.';
        name.push_back(plain ? c : '_');
    }
    return name.empty() ? "_" : name;
}

// Serialises the writers of one printer's journal across processes.
class JournalLock {
public:
    explicit JournalLock(const std::string& keyName) {
        std::string name = "Local\\PqifJournal." + FileName(keyName);
        mutex_.reset(::CreateMutexA(nullptr, FALSE, name.c_str()));
        if (!mutex_)
            return;
        DWORD rc = ::WaitForSingleObject(mutex_.get(), kLockWait);
        // An owner that died mid-line left at most a torn last line.
        owned_ = rc == WAIT_OBJECT_0 || rc == WAIT_ABANDONED;
    }
    ~JournalLock() {
        if (owned_)
            ::ReleaseMutex(mutex_.get());
    }
    JournalLock(const JournalLock&) = delete;
    JournalLock& operator=(const JournalLock&) = delete;
    bool owned() const { return owned_; }

private:
    UniqueKernelHandle mutex_;
    bool owned_ = false;
};

bool ReadAll(const std::string& path, std::string& out, ULONGLONG from, ULONGLONG* size) {
    out.clear();
    UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    LARGE_INTEGER length{};
    if (!::GetFileSizeEx(file.get(), &length))
        return false;
    *size = static_cast<ULONGLONG>(length.QuadPart);
    if (from >= *size)
        return true;
    // Bounded: a file is trimmed to kMaxBytes, but someone else's may be anything.
    ULONGLONG want = *size - from;
    if (want > 4 * kMaxBytes)
        return false;
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(from);
    if (!::SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN))
        return false;
    out.resize(static_cast<std::size_t>(want));
    DWORD got = 0;
    if (!::ReadFile(file.get(), &out[0], static_cast<DWORD>(want), &got, nullptr))
        return false;
    out.resize(got);
    return true;
}

bool EndsTorn(HANDLE file) {
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file, &size) || size.QuadPart == 0)
        return false;
    LARGE_INTEGER last{};
    last.QuadPart = size.QuadPart - 1;
    char c = '\n';
    DWORD got = 0;
    if (!::SetFilePointerEx(file, last, nullptr, FILE_BEGIN) ||
        !::ReadFile(file, &c, 1, &got, nullptr) || got != 1)
        return false;
    return c != '\n';
}

// Keeps the newer half of the file (from a line start), replacing it in one step.
void DropOlderHalf(const std::string& path) {
    std::string text;
    ULONGLONG size = 0;
    if (!ReadAll(path, text, 0, &size) || text.empty())
        return;
    std::size_t cut = text.find('\n', text.size() / 2);
    std::string kept = cut == std::string::npos ? std::string() : text.substr(cut + 1);
    std::string temporary = path + ".new";
    {
        UniqueFile file(::CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file)
            return;
        DWORD written = 0;
        if (!kept.empty() && (!::WriteFile(file.get(), kept.data(), static_cast<DWORD>(kept.size()),
                                           &written, nullptr) ||
                              written != kept.size()))
            return;
        ::FlushFileBuffers(file.get());
    }
    ::MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

} // namespace

std::string Directory() {
    Registry install(HKEY_LOCAL_MACHINE, kInstallKey);
    std::string base = install.GetString("InstallDir", "", MAX_PATH);
    if (base.empty() || ::GetFileAttributesA(base.c_str()) == INVALID_FILE_ATTRIBUTES)
        base = ModuleFolder();
    return base + "\\Journal";
}

std::string FileOf(const std::string& printerKeyName) {
    return Directory() + "\\" + FileName(printerKeyName) + ".jsonl";
}

bool Append(const std::string& printerKeyName, const Entry& entry) {
    std::string line = FormatLine(entry);
    std::string directory = Directory();
    ::CreateDirectoryA(directory.c_str(), nullptr);
    std::string path = FileOf(printerKeyName);
    JournalLock lock(printerKeyName);
    if (!lock.owned())
        return false;
    WIN32_FILE_ATTRIBUTE_DATA info{};
    if (::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &info) &&
        (info.nFileSizeHigh != 0 || info.nFileSizeLow + line.size() > kMaxBytes))
        DropOlderHalf(path);
    UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ | FILE_APPEND_DATA,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    // A line torn by a crash is ended first, so that it cannot take this one with it.
    if (EndsTorn(file.get()))
        line.insert(0, "\n");
    DWORD written = 0;
    bool ok =
        ::WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
        written == line.size();
    // On disk before the lock goes: a crash after this loses nothing written.
    ::FlushFileBuffers(file.get());
    return ok;
}

std::vector<Entry> ReadFrom(const std::string& printerKeyName, ULONGLONG& offset, bool* shrank) {
    std::vector<Entry> entries;
    std::string path = FileOf(printerKeyName);
    ULONGLONG size = 0;
    std::string text;
    if (shrank)
        *shrank = false;
    if (!ReadAll(path, text, offset, &size))
        return entries;
    if (size < offset) {
        if (shrank)
            *shrank = true;
        offset = 0;
        if (!ReadAll(path, text, 0, &size))
            return entries;
    }
    std::size_t start = 0;
    for (;;) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            break; // a line still being written, or torn: not yet a line
        Entry e;
        if (ParseLine(text.substr(start, end - start), e))
            entries.push_back(std::move(e));
        start = end + 1;
    }
    offset += start;
    return entries;
}

} // namespace journal
