#pragma once
#include <cstddef>
#include <string>

// Reads an HTTP/1.x response as it arrives: status line, headers, and a body
// sized by Content-Length, by chunked transfer coding, or by the end of the
// connection. Interim (1xx) answers before the final one are skipped. Pure and
// bounded: each byte is looked at a constant number of times however the bytes
// are split, and every count and size a peer controls has a limit.
namespace ipp {

enum class HttpParse { Complete, NeedMore, Malformed, TooLarge };

struct HttpResponse {
    int status = 0;
    std::string contentType;
    std::string body;
};

// The header block of one answer (status line and fields), and a chunked body's trailer.
constexpr std::size_t kMaxHttpHeader = 16 * 1024;
constexpr std::size_t kMaxHttpHeaderFields = 100;
constexpr std::size_t kMaxHttpBody = 4 * 1024 * 1024;
// One chunk-size line with its extensions.
constexpr std::size_t kMaxHttpChunkLine = 1024;
// All chunk-size lines and chunk ends of one body together.
constexpr std::size_t kMaxHttpChunkFraming = 1024 * 1024;
constexpr int kMaxHttpInterimAnswers = 8;

class HttpResponseReader {
public:
    // Takes the next bytes received; returns the state after them. Once the
    // answer is complete or refused, later bytes change nothing.
    HttpParse Feed(const char* data, std::size_t length);
    // The peer closed the connection: a body without a length ends here.
    HttpParse Finish();

    HttpParse State() const { return result_; }
    const HttpResponse& Response() const { return response_; }
    HttpResponse& Response() { return response_; }

private:
    enum class Step {
        StatusLine,
        HeaderLine,
        BodyByLength,
        BodyUntilClose,
        ChunkSize,
        ChunkData,
        ChunkEnd,
        TrailerLine,
        Done,
    };

    // Collects a line up to its '\n' without it; false while the line is still open.
    bool TakeLine(const char*& data, const char* end, std::size_t limit);
    HttpParse OnStatusLine();
    HttpParse OnHeaderLine();
    HttpParse OnHeaderEnd();
    HttpParse OnChunkSize();
    HttpParse OnTrailerLine();
    HttpParse Fail(HttpParse why);
    HttpParse Finished();

    HttpResponse response_;
    HttpParse result_ = HttpParse::NeedMore;
    Step step_ = Step::StatusLine;
    std::string line_;
    bool lineTooLong_ = false;
    std::size_t headerBytes_ = 0;
    std::size_t headerFields_ = 0;
    int interimAnswers_ = 0;
    bool chunked_ = false;
    bool haveLength_ = false;
    std::size_t remaining_ = 0;
    std::size_t framingBytes_ = 0;
};

// The whole of what was received at once; connectionClosed: the peer closed.
HttpParse ParseHttpResponse(const char* data, std::size_t length, bool connectionClosed,
                            HttpResponse& out);

// The request line and headers of a POST carrying an IPP message.
std::string MakeIppPost(const std::string& host, int port, const std::string& path,
                        std::size_t bodyLength);

} // namespace ipp
