#include "tools/pqif/JsonText.h"

#include <cstdio>

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
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
