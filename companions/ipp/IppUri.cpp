#include "IppUri.h"

namespace ipp {

bool ParseIppUri(const std::string& text, IppUri& out) {
    out = IppUri{};
    std::size_t rest;
    if (text.compare(0, 6, "ipp://") == 0)
        rest = 6;
    else if (text.compare(0, 7, "http://") == 0)
        rest = 7;
    else
        return false;
    for (char c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u >= 0x7F)
            return false;
    }
    std::size_t slash = text.find('/', rest);
    std::string authority =
        text.substr(rest, slash == std::string::npos ? std::string::npos : slash - rest);
    out.path = slash == std::string::npos ? "/" : text.substr(slash);
    if (authority.empty() || authority.find('@') != std::string::npos)
        return false;
    std::size_t colon = authority.rfind(':');
    if (colon != std::string::npos && authority.find(']') == std::string::npos) {
        std::string port = authority.substr(colon + 1);
        if (port.empty() || port.size() > 5)
            return false;
        int value = 0;
        for (char c : port) {
            if (c < '0' || c > '9')
                return false;
            value = value * 10 + (c - '0');
        }
        if (value < 1 || value > 65535)
            return false;
        out.port = value;
        authority.resize(colon);
    }
    if (authority.empty())
        return false;
    out.host = authority;
    return true;
}

} // namespace ipp
