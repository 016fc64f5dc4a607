#include <cstddef>
#include <cstdint>

#include "HttpResponse.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ipp::HttpResponse response;
    const char* text = reinterpret_cast<const char*>(data);
    ipp::ParseHttpResponse(text, size, false, response);
    ipp::ParseHttpResponse(text, size, true, response);
    if (response.body.size() > ipp::kMaxHttpBody)
        __builtin_trap();
    return 0;
}
