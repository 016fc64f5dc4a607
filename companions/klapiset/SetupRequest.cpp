#include "SetupRequest.h"

#include <cctype>

#include "support/HexPairs.h"

namespace klapiset {

namespace {

bool EqualsNoCase(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return i == a.size() && b[i] == '\0';
}

// One to eight hexadecimal digits, the whole text.
bool ParseHex32(const std::string& text, uint32_t* value) {
    if (text.empty() || text.size() > 8)
        return false;
    uint32_t v = 0;
    for (char ch : text) {
        const int digit = hexpairs::DigitValue(ch);
        if (digit < 0)
            return false;
        v = (v << 4) | static_cast<uint32_t>(digit);
    }
    *value = v;
    return true;
}

// "WM:" window ";" message, both in hexadecimal.
bool ParseAnswerAddress(const std::string& text, uint32_t* window, uint32_t* message) {
    if (text.size() < 3 || !EqualsNoCase(text.substr(0, 3), "WM:"))
        return false;
    const size_t semicolon = text.find(';', 3);
    if (semicolon == std::string::npos)
        return false;
    uint32_t w = 0, m = 0;
    if (!ParseHex32(text.substr(3, semicolon - 3), &w) ||
        !ParseHex32(text.substr(semicolon + 1), &m))
        return false;
    if (w == 0 || m < kFirstAnswerMessage || m > kLastAnswerMessage)
        return false;
    *window = w;
    *message = m;
    return true;
}

bool IsUsableDriverName(const std::string& name) {
    if (name.empty() || name.size() > kMaxDriverName)
        return false;
    for (char ch : name) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F || c == '"')
            return false;
    }
    return true;
}

struct Option {
    std::string name;
    std::string value;
};

size_t SkipProgramName(const std::string& line) {
    size_t pos = 0;
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t'))
        ++pos;
    if (pos < line.size() && line[pos] == '"') {
        const size_t close = line.find('"', pos + 1);
        return close == std::string::npos ? line.size() : close + 1;
    }
    while (pos < line.size() && line[pos] != ' ' && line[pos] != '\t')
        ++pos;
    return pos;
}

} // namespace

ParseOutcome ParseSetupCommandLine(const std::string& commandLine, SetupRequest* request) {
    if (!request || commandLine.size() > kMaxCommandLine)
        return ParseOutcome::NoAnswer;
    *request = SetupRequest{};

    bool malformed = false;
    bool haveAction = false, haveDriver = false, haveAnswer = false, havePorts = false;
    bool answerUsable = false;
    size_t pos = SkipProgramName(commandLine);
    while (pos < commandLine.size()) {
        const char ch = commandLine[pos];
        if (ch == ' ' || ch == '\t') {
            ++pos;
            continue;
        }
        if (ch != '/') {
            malformed = true;
            while (pos < commandLine.size() && commandLine[pos] != ' ' && commandLine[pos] != '\t')
                ++pos;
            continue;
        }
        ++pos;
        Option opt;
        while (pos < commandLine.size() && commandLine[pos] != '=' && commandLine[pos] != ' ' &&
               commandLine[pos] != '\t')
            opt.name += commandLine[pos++];
        if (opt.name == "?")
            return ParseOutcome::Help;
        if (pos >= commandLine.size() || commandLine[pos] != '=') {
            malformed = true;
            continue;
        }
        ++pos;
        if (pos < commandLine.size() && commandLine[pos] == '"') {
            const size_t close = commandLine.find('"', pos + 1);
            if (close == std::string::npos) {
                // An unterminated quote swallows the rest of the line.
                malformed = true;
                break;
            }
            opt.value = commandLine.substr(pos + 1, close - pos - 1);
            pos = close + 1;
            if (pos < commandLine.size() && commandLine[pos] != ' ' && commandLine[pos] != '\t')
                malformed = true;
        } else {
            while (pos < commandLine.size() && commandLine[pos] != ' ' && commandLine[pos] != '\t')
                opt.value += commandLine[pos++];
        }

        bool* seen = nullptr;
        if (EqualsNoCase(opt.name, "Act")) {
            seen = &haveAction;
            request->action = opt.value;
        } else if (EqualsNoCase(opt.name, "AN")) {
            seen = &haveDriver;
            request->driver = opt.value;
        } else if (EqualsNoCase(opt.name, "Ret")) {
            seen = &haveAnswer;
            answerUsable =
                !haveAnswer && ParseAnswerAddress(opt.value, &request->window, &request->message);
        } else if (EqualsNoCase(opt.name, "KLP")) {
            seen = &havePorts;
            request->ports = opt.value;
        } else {
            malformed = true;
            continue;
        }
        if (*seen) {
            // The same option twice: which one was meant is unknowable.
            malformed = true;
            if (seen == &haveAnswer)
                answerUsable = false;
        }
        *seen = true;
    }

    if (!answerUsable) {
        request->window = 0;
        request->message = 0;
        return ParseOutcome::NoAnswer;
    }
    if (malformed || !haveAction || !haveDriver || !havePorts)
        return ParseOutcome::BadRequest;
    if (!EqualsNoCase(request->action, "Ch") || !EqualsNoCase(request->ports, "A:On") ||
        !IsUsableDriverName(request->driver))
        return ParseOutcome::BadRequest;
    return ParseOutcome::Ok;
}

} // namespace klapiset
