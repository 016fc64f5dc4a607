#include "HttpResponse.h"

#include <algorithm>
#include <cstring>

#include "support/HexPairs.h"

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
        const int digit = base == 16             ? hexpairs::DigitValue(c)
                          : c >= '0' && c <= '9' ? c - '0'
                                                 : -1;
        if (digit < 0)
            return false;
        value = value * static_cast<std::size_t>(base) + static_cast<std::size_t>(digit);
        if (value > kMaxHttpBody)
            value = kMaxHttpBody + 1; // saturates; the caller refuses it as too large
    }
    return true;
}

} // namespace

HttpParse HttpResponseReader::Fail(HttpParse why) {
    result_ = why;
    step_ = Step::Done;
    return result_;
}

HttpParse HttpResponseReader::Finished() {
    result_ = HttpParse::Complete;
    step_ = Step::Done;
    return result_;
}

// True with the line (its CR removed) in line_; false when all bytes went into a
// line still open, or (lineTooLong_) when the line would pass the limit, LF included.
bool HttpResponseReader::TakeLine(const char*& data, const char* end, std::size_t limit) {
    const auto* lineEnd =
        static_cast<const char*>(std::memchr(data, '\n', static_cast<std::size_t>(end - data)));
    const char* stop = lineEnd ? lineEnd : end;
    const auto n = static_cast<std::size_t>(stop - data);
    if (line_.size() + n + (lineEnd ? 1 : 0) > limit) {
        lineTooLong_ = true;
        return false;
    }
    line_.append(data, n);
    data = lineEnd ? lineEnd + 1 : end;
    if (!lineEnd)
        return false;
    if (!line_.empty() && line_.back() == '\r')
        line_.pop_back();
    return true;
}

HttpParse HttpResponseReader::OnStatusLine() {
    const std::string& s = line_;
    if (s.compare(0, 7, "HTTP/1.") != 0 || s.size() < 12 || s[8] != ' ')
        return Fail(HttpParse::Malformed);
    std::size_t code = 0;
    if (!ParseSize(s.substr(9, 3), 10, code) || code < 100 || code > 999)
        return Fail(HttpParse::Malformed);
    response_.status = static_cast<int>(code);
    step_ = Step::HeaderLine;
    return HttpParse::NeedMore;
}

HttpParse HttpResponseReader::OnHeaderLine() {
    if (line_.empty())
        return OnHeaderEnd();
    if (++headerFields_ > kMaxHttpHeaderFields)
        return Fail(HttpParse::TooLarge);
    std::size_t colon = line_.find(':');
    if (colon == std::string::npos)
        return Fail(HttpParse::Malformed);
    std::string name = Trim(line_.substr(0, colon));
    std::string value = Trim(line_.substr(colon + 1));
    if (EqualsNoCase(name, "content-length")) {
        std::size_t length = 0;
        if (!ParseSize(value, 10, length))
            return Fail(HttpParse::Malformed);
        // Two different lengths: no way to tell where the body ends.
        if (haveLength_ && length != remaining_)
            return Fail(HttpParse::Malformed);
        remaining_ = length;
        haveLength_ = true;
    } else if (EqualsNoCase(name, "transfer-encoding")) {
        std::string lowered(value);
        std::transform(lowered.begin(), lowered.end(), lowered.begin(), Lower);
        chunked_ = lowered.find("chunked") != std::string::npos;
    } else if (EqualsNoCase(name, "content-type")) {
        response_.contentType = value;
    }
    return HttpParse::NeedMore;
}

HttpParse HttpResponseReader::OnHeaderEnd() {
    const int status = response_.status;
    if (status < 200) {
        // An interim answer: the final one follows on the same connection. We
        // never ask to switch protocols, so 101 is not an answer to us.
        if (status == 101 || ++interimAnswers_ > kMaxHttpInterimAnswers)
            return Fail(HttpParse::Malformed);
        response_ = HttpResponse{};
        step_ = Step::StatusLine;
        headerBytes_ = 0;
        headerFields_ = 0;
        chunked_ = false;
        haveLength_ = false;
        remaining_ = 0;
        return HttpParse::NeedMore;
    }
    if (status == 204 || status == 304)
        return Finished();
    if (chunked_) {
        step_ = Step::ChunkSize;
        return HttpParse::NeedMore;
    }
    if (haveLength_) {
        if (remaining_ > kMaxHttpBody)
            return Fail(HttpParse::TooLarge);
        if (remaining_ == 0)
            return Finished();
        step_ = Step::BodyByLength;
        return HttpParse::NeedMore;
    }
    step_ = Step::BodyUntilClose;
    return HttpParse::NeedMore;
}

HttpParse HttpResponseReader::OnChunkSize() {
    std::size_t semicolon = line_.find(';'); // chunk extensions are ignored
    std::size_t size = 0;
    if (!ParseSize(Trim(line_.substr(0, semicolon)), 16, size))
        return Fail(HttpParse::Malformed);
    if (size > kMaxHttpBody - response_.body.size())
        return Fail(HttpParse::TooLarge);
    if (size == 0) {
        // Trailer fields, then an empty line, bounded like the header.
        step_ = Step::TrailerLine;
        headerBytes_ = 0;
        headerFields_ = 0;
        return HttpParse::NeedMore;
    }
    remaining_ = size;
    step_ = Step::ChunkData;
    return HttpParse::NeedMore;
}

HttpParse HttpResponseReader::OnTrailerLine() {
    if (line_.empty())
        return Finished();
    if (++headerFields_ > kMaxHttpHeaderFields)
        return Fail(HttpParse::TooLarge);
    return HttpParse::NeedMore;
}

HttpParse HttpResponseReader::Feed(const char* data, std::size_t length) {
    if (result_ != HttpParse::NeedMore || !data)
        return result_;
    const char* p = data;
    const char* const end = data + length;
    while (p < end && result_ == HttpParse::NeedMore) {
        switch (step_) {
        case Step::StatusLine:
        case Step::HeaderLine:
        case Step::TrailerLine: {
            const std::size_t before = line_.size();
            const char* start = p;
            if (!TakeLine(p, end, kMaxHttpHeader - headerBytes_)) {
                if (lineTooLong_)
                    return Fail(HttpParse::TooLarge);
                break;
            }
            headerBytes_ += before + static_cast<std::size_t>(p - start);
            HttpParse r = step_ == Step::StatusLine   ? OnStatusLine()
                          : step_ == Step::HeaderLine ? OnHeaderLine()
                                                      : OnTrailerLine();
            line_.clear();
            if (r != HttpParse::NeedMore)
                return r;
            break;
        }
        case Step::ChunkSize: {
            const std::size_t before = line_.size();
            const char* start = p;
            if (!TakeLine(p, end, kMaxHttpChunkLine)) {
                if (lineTooLong_)
                    return Fail(HttpParse::Malformed);
                break;
            }
            framingBytes_ += before + static_cast<std::size_t>(p - start);
            if (framingBytes_ > kMaxHttpChunkFraming)
                return Fail(HttpParse::TooLarge);
            HttpParse r = OnChunkSize();
            line_.clear();
            if (r != HttpParse::NeedMore)
                return r;
            break;
        }
        case Step::ChunkData:
        case Step::BodyByLength: {
            const std::size_t n = std::min(remaining_, static_cast<std::size_t>(end - p));
            response_.body.append(p, n);
            p += n;
            remaining_ -= n;
            if (remaining_ == 0) {
                if (step_ == Step::BodyByLength)
                    return Finished();
                step_ = Step::ChunkEnd;
            }
            break;
        }
        case Step::ChunkEnd: {
            // The data's CR LF (or bare LF); anything else means the size lied.
            const char c = *p++;
            if (++framingBytes_ > kMaxHttpChunkFraming)
                return Fail(HttpParse::TooLarge);
            if (c == '\n') {
                line_.clear();
                step_ = Step::ChunkSize;
            } else if (c == '\r' && line_.empty()) {
                line_.push_back(c);
            } else {
                return Fail(HttpParse::Malformed);
            }
            break;
        }
        case Step::BodyUntilClose: {
            const auto n = static_cast<std::size_t>(end - p);
            if (n > kMaxHttpBody - response_.body.size())
                return Fail(HttpParse::TooLarge);
            response_.body.append(p, n);
            p = end;
            break;
        }
        case Step::Done:
            p = end;
            break;
        }
    }
    return result_;
}

HttpParse HttpResponseReader::Finish() {
    if (result_ != HttpParse::NeedMore)
        return result_;
    if (step_ == Step::BodyUntilClose)
        return Finished();
    return Fail(HttpParse::Malformed);
}

HttpParse ParseHttpResponse(const char* data, std::size_t length, bool connectionClosed,
                            HttpResponse& out) {
    HttpResponseReader reader;
    HttpParse p = reader.Feed(data, length);
    if (p == HttpParse::NeedMore && connectionClosed)
        p = reader.Finish();
    out = std::move(reader.Response());
    return p;
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
