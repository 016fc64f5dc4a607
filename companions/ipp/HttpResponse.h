#pragma once
#include <cstddef>
#include <string>

// Parses an HTTP/1.x response as it arrives: status line, headers, and a body
// sized by Content-Length, by chunked transfer coding, or by the end of the
// connection. Pure and bounded: a body above the limit is refused.
namespace ipp {

enum class HttpParse { Complete, NeedMore, Malformed, TooLarge };

struct HttpResponse {
    int status = 0;
    std::string contentType;
    std::string body;
};

constexpr std::size_t kMaxHttpHeader = 16 * 1024;
constexpr std::size_t kMaxHttpBody = 4 * 1024 * 1024;

// data/length: everything received so far. connectionClosed: the peer closed,
// so a body without length ends here.
HttpParse ParseHttpResponse(const char* data, std::size_t length, bool connectionClosed,
                            HttpResponse& out);

// The request line and headers of a POST carrying an IPP message.
std::string MakeIppPost(const std::string& host, int port, const std::string& path,
                        std::size_t bodyLength);

} // namespace ipp
