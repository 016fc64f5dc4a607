#include "ui/Language.h"

#include <windows.h>

#include <cstring>
#include <new>
#include <vector>

#include "framework/Handles.h"
#include "support/Registry.h"
#include "support/WindowValues.h"
#include "ui/LanguageEntries.h"

namespace {
constexpr int SectionGrowth = 260;
// Far beyond any real settings file; stops a profile reader that never says "done".
constexpr int SectionLimit = 1 << 20;
constexpr int NameBufferSize = 260;

std::vector<LanguageEntry> ReadLanguageEntries(const char* settingsPath) {
    std::vector<char> buffer(SectionGrowth);
    DWORD got = 0;
    for (;;) {
        got = ::GetPrivateProfileSectionA("Language", buffer.data(),
                                          static_cast<DWORD>(buffer.size()), settingsPath);
        if (got != buffer.size() - 2 || buffer.size() + SectionGrowth > SectionLimit)
            break;
        buffer.assign(buffer.size() + SectionGrowth, '\0');
    }
    if (got == 0)
        return {};
    // The reader ends the list with two zero bytes; make sure they are there.
    buffer.resize(std::max<size_t>(buffer.size(), got + 2));
    buffer[got] = buffer[got + 1] = '\0';
    return ParseLanguageEntries(buffer.data(), got + 2);
}

std::string ReadResDll(const std::string& section, const char* settingsPath) {
    char value[NameBufferSize] = {};
    ::GetPrivateProfileStringA(section.c_str(), "ResDll", "", value, sizeof value, settingsPath);
    return value;
}

int CopyOut(const std::string& name, char* section, int* length) {
    if (static_cast<long long>(name.size()) + 1 > *length) {
        *length = static_cast<int>(name.size());
        return -4;
    }
    std::memcpy(section, name.c_str(), name.size() + 1);
    return 0;
}

// The section for one language id, copied out as GetLanguageSection's caller wants it.
int ChooseSection(const char* settingsPath, unsigned short languageId, char* section, int* length,
                  std::string* chosen) {
    std::vector<LanguageEntry> entries = ReadLanguageEntries(settingsPath);
    int index = ChooseLanguageEntry(entries, languageId);
    *chosen = index >= 0 ? entries[static_cast<size_t>(index)].name : std::string();
    return CopyOut(*chosen, section, length);
}

int FirstUsableSection(const char* settingsPath, char* section, int* length, std::string* chosen) {
    chosen->clear();
    for (const LanguageEntry& entry : ReadLanguageEntries(settingsPath)) {
        if (ResourceLibraryExists(ReadResDll(entry.name, settingsPath).c_str())) {
            *chosen = entry.name;
            break;
        }
    }
    long long needed = static_cast<long long>(chosen->size()) + 1;
    int callerLength = *length;
    *length = static_cast<int>(needed);
    if (needed > callerLength)
        return -4;
    std::memcpy(section, chosen->c_str(), chosen->size() + 1);
    return 0;
}

// The file name part of a path.
std::string FileNameOf(const std::string& path) {
    size_t slash = path.find_last_of("\\/:");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A window shows the texts of the library its caller gave it; the section that
// names that library is the window's language.
bool SectionOfLibrary(const char* settingsPath, const std::string& library, std::string* chosen) {
    const std::string wanted = FileNameOf(library);
    if (wanted.empty())
        return false;
    for (const LanguageEntry& entry : ReadLanguageEntries(settingsPath)) {
        std::string resDll = ReadResDll(entry.name, settingsPath);
        if (::lstrcmpiA(FileNameOf(resDll).c_str(), wanted.c_str()) == 0 &&
            ResourceLibraryExists(resDll.c_str())) {
            *chosen = entry.name;
            return true;
        }
    }
    return false;
}

// Kept for the window that chose (when one runs on this thread) and, the first
// time, for the process.
void Remember(WindowValues* window, const std::string& chosen) {
    if (window)
        window->languageSection = chosen;
    LanguageSection.SetIfEmpty(chosen);
}

int GetLanguageSectionUnguarded(char* section, int* length, const char* settingsPath) {
    WindowValues* window = CurrentWindowValues();
    const std::string cached = window ? window->languageSection : LanguageSection.Get();
    if (!cached.empty()) {
        if (*length > 0) {
            size_t n = std::min(cached.size(), static_cast<size_t>(*length - 1));
            std::memcpy(section, cached.data(), n);
            section[n] = '\0';
        }
        *length = static_cast<int>(cached.size());
        return 0;
    }
    std::string chosen;
    if (window && SectionOfLibrary(settingsPath, window->resourceLibrary, &chosen)) {
        int result = CopyOut(chosen, section, length);
        if (result < 0)
            return result;
        Remember(window, chosen);
        return static_cast<int>(ReadResDll(chosen, settingsPath).size());
    }
    int result = ChooseSection(settingsPath, ::GetUserDefaultLangID(), section, length, &chosen);
    if (result < 0)
        return result;
    std::string resDll = ReadResDll(chosen, settingsPath);
    if (!ResourceLibraryExists(resDll.c_str())) {
        result = ChooseSection(settingsPath, 0x0409, section, length, &chosen);
        if (result < 0)
            return result;
        resDll = ReadResDll(chosen, settingsPath);
        if (!ResourceLibraryExists(resDll.c_str())) {
            result = FirstUsableSection(settingsPath, section, length, &chosen);
            if (result < 0)
                return result;
            Remember(window, chosen);
            return result;
        }
    }
    Remember(window, chosen);
    return static_cast<int>(resDll.size());
}
} // namespace

int GetLanguageSection(char* section, int* length, const char* settingsPath) {
    if (!section || !length)
        return -4;
    try {
        return GetLanguageSectionUnguarded(section, length, settingsPath);
    } catch (const std::bad_alloc&) {
        return -3;
    }
}

int LangGetString(const char* key, char* value, int* size, const char* settingsPath) {
    if (!value || !size || *size <= 0)
        return -1;
    value[0] = '\0';
    char section[NameBufferSize] = {};
    int length = sizeof section;
    if (GetLanguageSection(section, &length, settingsPath) < 0)
        return -1;
    DWORD got = ::GetPrivateProfileStringA(section, key, "", value, static_cast<DWORD>(*size),
                                           settingsPath);
    if (got == 0)
        return -1;
    *size = static_cast<int>(got);
    return 0;
}

int LangGetInt(const char* key, int defaultValue, const char* settingsPath) {
    char section[NameBufferSize] = {};
    int length = sizeof section;
    if (GetLanguageSection(section, &length, settingsPath) < 0)
        return -1;
    return static_cast<int>(::GetPrivateProfileIntA(section, key, defaultValue, settingsPath));
}

int ResourceLibraryExists(const char* fileName) {
    if (!fileName || !*fileName || std::strpbrk(fileName, "*?"))
        return 0;
    const std::string commonKey = CurrentCommonKeyPath();
    Registry common(HKEY_LOCAL_MACHINE, commonKey.c_str());
    if (!common.IsOpen())
        return 0;
    std::string path = common.GetString("InstallPath", ".", 256) + "\\" + fileName;
    WIN32_FIND_DATAA found;
    UniqueFind search(::FindFirstFileA(path.c_str(), &found));
    return search ? 1 : 0;
}
