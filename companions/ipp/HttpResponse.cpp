#include "HttpResponse.h"

#include <cstring>

namespace ipp {

namespace {

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsNoCase(const std::string& a, const char* b) {
    std::size_t n = std::strlen(b);
    if (a.size() != n)
        return false;
    for (std::size_t i = 0; i < n; ++i) {
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    }
    return true;
}

std::string Trim(const std::string& s) {
    std::size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos)
        return {};
    std::size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

bool ParseSize(const std::string& text, int base, std::size_t& value) {
    if (text.empty())
        return false;
    value = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        value = value * static_cast<std::size_t>(base) + static_cast<std::size_t>(digit);
        if (value > kMaxHttpBody)
            value = kMaxHttpBody + 1; // saturates; the caller refuses it as too large
    }
    return true;
}

// Decodes chunked data starting at pos. Complete when the last chunk and the
// trailer's empty line have arrived.
HttpParse Dechunk(const char* data, std::size_t length, std::size_t pos, std::string& body) {
    body.clear();
    for (;;) {
        const char* lineEnd = static_cast<const char*>(std::memchr(data + pos, '\n', length - pos));
        if (!lineEnd)
            return length - pos > 1024 ? HttpParse::Malformed : HttpParse::NeedMore;
        std::string line(data + pos, static_cast<std::size_t>(lineEnd - (data + pos)));
        pos = static_cast<std::size_t>(lineEnd - data) + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::size_t semicolon = line.find(';'); // chunk extensions are ignored
        std::size_t size = 0;
        if (!ParseSize(Trim(line.substr(0, semicolon)), 16, size))
            return HttpParse::Malformed;
        if (size > kMaxHttpBody || body.size() + size > kMaxHttpBody)
            return HttpParse::TooLarge;
        if (size == 0) {
            // Trailer fields, then an empty line.
            for (;;) {
                const char* end =
                    static_cast<const char*>(std::memchr(data + pos, '\n', length - pos));
                if (!end)
                    return HttpParse::NeedMore;
                std::size_t n = static_cast<std::size_t>(end - (data + pos));
                pos += n + 1;
                if (n == 0 || (n == 1 && data[pos - 2] == '\r'))
                    return HttpParse::Complete;
            }
        }
        if (length - pos > size && data[pos + size] != '\r' && data[pos + size] != '\n')
            return HttpParse::Malformed;
        if (length - pos < size + 2)
            return HttpParse::NeedMore;
        body.append(data + pos, size);
        pos += size;
        if (data[pos] == '\r')
            ++pos;
        if (pos >= length || data[pos] != '\n')
            return HttpParse::Malformed;
        ++pos;
    }
}

} // namespace

HttpParse ParseHttpResponse(const char* data, std::size_t length, bool connectionClosed,
                            HttpResponse& out) {
    out = HttpResponse{};
    if (!data)
        return HttpParse::NeedMore;
    // The header ends with an empty line.
    std::size_t headerEnd = std::string::npos;
    std::size_t bodyStart = 0;
    for (std::size_t i = 0; i + 1 < length && i < kMaxHttpHeader; ++i) {
        if (data[i] == '\n' && data[i + 1] == '\n') {
            headerEnd = i;
            bodyStart = i + 2;
            break;
        }
        if (i + 3 < length && data[i] == '\r' && data[i + 1] == '\n' && data[i + 2] == '\r' &&
            data[i + 3] == '\n') {
            headerEnd = i;
            bodyStart = i + 4;
            break;
        }
    }
    if (headerEnd == std::string::npos) {
        if (length >= kMaxHttpHeader)
            return HttpParse::TooLarge;
        return connectionClosed ? HttpParse::Malformed : HttpParse::NeedMore;
    }

    std::string header(data, headerEnd);
    std::size_t lineEnd = header.find('\n');
    std::string statusLine = header.substr(0, lineEnd);
    if (!statusLine.empty() && statusLine.back() == '\r')
        statusLine.pop_back();
    if (statusLine.compare(0, 7, "HTTP/1.") != 0 || statusLine.size() < 12 || statusLine[8] != ' ')
        return HttpParse::Malformed;
    std::size_t code = 0;
    if (!ParseSize(statusLine.substr(9, 3), 10, code) || code < 100 || code > 999)
        return HttpParse::Malformed;
    out.status = static_cast<int>(code);

    bool chunked = false;
    bool haveLength = false;
    std::size_t contentLength = 0;
    std::size_t pos = lineEnd == std::string::npos ? header.size() : lineEnd + 1;
    while (pos < header.size()) {
        std::size_t end = header.find('\n', pos);
        if (end == std::string::npos)
            end = header.size();
        std::string line = header.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::size_t colon = line.find(':');
        if (colon == std::string::npos)
            return HttpParse::Malformed;
        std::string name = Trim(line.substr(0, colon));
        std::string value = Trim(line.substr(colon + 1));
        if (EqualsNoCase(name, "content-length")) {
            if (!ParseSize(value, 10, contentLength))
                return HttpParse::Malformed;
            haveLength = true;
        } else if (EqualsNoCase(name, "transfer-encoding")) {
            std::string lowered;
            for (char c : value)
                lowered.push_back(Lower(c));
            chunked = lowered.find("chunked") != std::string::npos;
        } else if (EqualsNoCase(name, "content-type")) {
            out.contentType = value;
        }
    }

    // Informational and bodiless answers.
    if (out.status < 200 || out.status == 204 || out.status == 304)
        return HttpParse::Complete;
    if (chunked)
        return Dechunk(data, length, bodyStart, out.body);
    if (haveLength) {
        if (contentLength > kMaxHttpBody)
            return HttpParse::TooLarge;
        if (length - bodyStart < contentLength)
            return connectionClosed ? HttpParse::Malformed : HttpParse::NeedMore;
        out.body.assign(data + bodyStart, contentLength);
        return HttpParse::Complete;
    }
    if (length - bodyStart > kMaxHttpBody)
        return HttpParse::TooLarge;
    if (!connectionClosed)
        return HttpParse::NeedMore;
    out.body.assign(data + bodyStart, length - bodyStart);
    return HttpParse::Complete;
}

std::string MakeIppPost(const std::string& host, int port, const std::string& path,
                        std::size_t bodyLength) {
    std::string request = "POST " + (path.empty() ? std::string("/") : path) + " HTTP/1.1\r\n";
    request += "Host: " + host + ":" + std::to_string(port) + "\r\n";
    request += "Content-Type: application/ipp\r\n";
    request += "Content-Length: " + std::to_string(bodyLength) + "\r\n";
    request += "Connection: close\r\n\r\n";
    return request;
}

} // namespace ipp
