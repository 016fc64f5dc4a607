#include "support/SettingsFile.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr std::size_t kLineRead = 310;   // bytes per read, terminator included
constexpr std::size_t kValueMax = 259;   // longest token or string value
constexpr long kMaxFileSize = 16L << 20; // a settings file is a few kilobytes

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithNoCase(const char* text, const char* prefix, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        if (text[i] == '\0' || Lower(text[i]) != Lower(prefix[i]))
            return false;
    }
    return true;
}

// Splits the text into lines as a 310-byte line read sees them: at most 309
// bytes each, ending after a line feed. The rest of a longer line is dropped,
// so that its tail is never taken for a header or a key line of its own. A CR
// LF pair reads as a line feed, as it does through a text-mode stream. Each
// line is seen as a C string, so a NUL byte ends it early.
class LineReader {
public:
    LineReader(const char* text, std::size_t length) : m_Text(text), m_Length(length) {}

    bool Next(std::string& line) {
        if (m_Pos >= m_Length)
            return false;
        line.clear();
        while (m_Pos < m_Length && line.size() < kLineRead - 1) {
            char c = m_Text[m_Pos];
            if (c == '\r' && m_Pos + 1 < m_Length && m_Text[m_Pos + 1] == '\n') {
                ++m_Pos;
                continue;
            }
            line.push_back(c);
            ++m_Pos;
            if (c == '\n')
                break;
        }
        if (line.size() == kLineRead - 1 && line.back() != '\n') {
            while (m_Pos < m_Length && m_Text[m_Pos++] != '\n') {
            }
        }
        line.resize(std::strlen(line.c_str()));
        return true;
    }

private:
    const char* m_Text;
    std::size_t m_Length;
    std::size_t m_Pos = 0;
};

bool IsSectionHeader(const std::string& line, const char* section) {
    std::size_t n = std::strlen(section);
    return !line.empty() && line[0] == '[' && StartsWithNoCase(line.c_str() + 1, section, n) &&
           line.size() > n + 1 && line[n + 1] == ']';
}

// Finds the key's line within the section; the value follows the returned offset.
// 0: found; -1: key missing; 1: no such section.
int FindValue(const char* text, std::size_t length, const char* section, const char* key,
              std::string& line, std::size_t& valueStart) {
    if (!text || !section || !key)
        return 1;
    LineReader reader(text, length);
    bool inSection = false;
    while (reader.Next(line)) {
        if (IsSectionHeader(line, section)) {
            inSection = true;
            break;
        }
    }
    if (!inSection)
        return 1;
    std::size_t n = std::strlen(key);
    while (reader.Next(line)) {
        if (!line.empty() && line[0] == '[')
            return -1;
        if (StartsWithNoCase(line.c_str(), key, n) && line.size() > n && line[n] == '=') {
            valueStart = n + 1;
            return 0;
        }
    }
    return -1;
}

bool ReadFile(const char* path, std::string& contents) {
    if (!path)
        return false;
    std::FILE* file = std::fopen(path, "rb");
    if (!file)
        return false;
    char chunk[4096];
    std::size_t got;
    bool ok = true;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        if (contents.size() + got > static_cast<std::size_t>(kMaxFileSize)) {
            ok = false;
            break;
        }
        contents.append(chunk, got);
    }
    std::fclose(file);
    return ok;
}

// Decimal conversion: leading blanks, one sign, digits up to the first other
// character. Saturates instead of overflowing.
int ParseDecimal(const std::string& token) {
    std::size_t i = 0;
    while (i < token.size() && (token[i] == ' ' || token[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < token.size() && (token[i] == '+' || token[i] == '-')) {
        negative = token[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < token.size() && token[i] >= '0' && token[i] <= '9'; ++i) {
        value = value * 10 + (token[i] - '0');
        if (value > 2147483648LL)
            value = 2147483648LL;
    }
    if (negative)
        value = -value;
    if (value > 2147483647LL)
        value = 2147483647LL;
    return static_cast<int>(value);
}

} // namespace

int SettingsTextGetInt(const char* text, std::size_t length, const char* section, const char* key,
                       int* value) {
    std::string line;
    std::size_t start = 0;
    int found = FindValue(text, length, section, key, line, start);
    if (found != 0)
        return found;
    std::string token;
    for (std::size_t i = start; i < line.size() && token.size() < kValueMax; ++i) {
        unsigned char c = static_cast<unsigned char>(line[i]);
        if (c == ' ' || c < 0x20 || c == 0x7F || c >= 0x80)
            break;
        token.push_back(static_cast<char>(c));
    }
    if (value)
        *value = ParseDecimal(token);
    return 0;
}

int SettingsTextGetString(const char* text, std::size_t length, const char* section,
                          const char* key, char* value) {
    std::string line;
    std::size_t start = 0;
    int found = FindValue(text, length, section, key, line, start);
    if (found != 0)
        return found;
    // The line ends at its line feed (or where the read stopped).
    std::size_t end = line.find('\n');
    if (end == std::string::npos)
        end = line.size();
    std::size_t open = line.find('"', start);
    if (open == std::string::npos || open >= end)
        return -1;
    std::size_t close = line.find('"', open + 1);
    if (close == std::string::npos || close >= end)
        return -1;
    std::size_t n = close - open - 1;
    if (n > kValueMax)
        n = kValueMax;
    if (value) {
        std::memcpy(value, line.data() + open + 1, n);
        value[n] = '\0';
    }
    return 0;
}

int SettingsGetInt(const char* path, const char* section, const char* key, int* value) {
    std::string contents;
    if (!ReadFile(path, contents))
        return 1;
    return SettingsTextGetInt(contents.data(), contents.size(), section, key, value);
}

int SettingsGetString(const char* path, const char* section, const char* key, char* value) {
    std::string contents;
    if (!ReadFile(path, contents))
        return 1;
    return SettingsTextGetString(contents.data(), contents.size(), section, key, value);
}
