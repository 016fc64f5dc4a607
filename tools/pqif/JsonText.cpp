#include "tools/pqif/JsonText.h"

#include <windows.h>

#include <cstdio>

namespace {

void AppendEscape(std::string& out, unsigned code) {
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\u%04x", code & 0xFFFF);
    out += escaped;
}

} // namespace

// Names and messages are in the ANSI code page; JSON is Unicode. Everything
// outside printable ASCII is written as \u escapes of its UTF-16 code units, so
// the output is plain ASCII and parses whatever the console's code page.
std::string JsonString(const std::string& text) {
    std::wstring wide;
    if (!text.empty()) {
        const int size = static_cast<int>(text.size());
        int n = ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
        wide.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        if (n > 0)
            ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), n);
    }
    std::string out = "\"";
    for (wchar_t c : wide) {
        const auto code = static_cast<unsigned>(c);
        if (c == L'"' || c == L'\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (code < 0x20 || code >= 0x7F) {
            AppendEscape(out, code);
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string JsonFailure(const std::string& command,
                        const std::vector<std::pair<std::string, std::string>>& fields,
                        const std::string& message, int exitCode) {
    std::string out = "{\"command\":" + JsonString(command);
    for (const auto& field : fields)
        out += "," + JsonString(field.first) + ":" + field.second;
    out += ",\"error\":" + JsonString(message);
    out += ",\"exitCode\":" + std::to_string(exitCode) + "}\n";
    return out;
}
