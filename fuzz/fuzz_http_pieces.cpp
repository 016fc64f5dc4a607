#include <cstddef>
#include <cstdint>

#include "HttpResponse.h"

// The reader fed the way a socket delivers: the first byte chooses how the rest
// is split into pieces. However it is split, the reader must reach the same
// verdict and the same answer as when all bytes arrive at once.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const unsigned pattern = data[0];
    const char* text = reinterpret_cast<const char*>(data + 1);
    const std::size_t length = size - 1;

    ipp::HttpResponse whole;
    const ipp::HttpParse expected = ipp::ParseHttpResponse(text, length, true, whole);

    ipp::HttpResponseReader reader;
    ipp::HttpParse got = ipp::HttpParse::NeedMore;
    std::size_t at = 0;
    for (unsigned step = 0; at < length; ++step) {
        std::size_t piece =
            (pattern & 0x80) ? 1 + (step * 31u + pattern) % 4096 : 1 + (step * 7u + pattern) % 17;
        if (piece > length - at)
            piece = length - at;
        got = reader.Feed(text + at, piece);
        at += piece;
    }
    if (got == ipp::HttpParse::NeedMore)
        got = reader.Finish();

    const ipp::HttpResponse& r = reader.Response();
    if (got != expected || r.status != whole.status || r.body != whole.body ||
        r.contentType != whole.contentType)
        __builtin_trap();
    if (r.body.size() > ipp::kMaxHttpBody)
        __builtin_trap();
    return 0;
}
