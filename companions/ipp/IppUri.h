#pragma once
#include <string>

namespace ipp {

struct IppUri {
    std::string host;
    int port = 631;
    std::string path; // begins with '/'
};

// Accepts ipp://host[:port][/path] (and http:// with the same shape). Refuses
// anything that could not go into a request line verbatim: spaces, control
// characters, user info, an empty host or a port outside 1..65535.
bool ParseIppUri(const std::string& text, IppUri& out);

} // namespace ipp
