#include <cstddef>
#include <cstdint>

#include "IppMessage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ipp::Message message;
    if (ipp::Decode(data, size, message) == ipp::DecodeResult::Ok) {
        // What decodes must encode and decode back to the same structure.
        std::string again = ipp::Encode(message);
        ipp::Message second;
        if (ipp::Decode(reinterpret_cast<const uint8_t*>(again.data()), again.size(), second) !=
            ipp::DecodeResult::Ok)
            __builtin_trap();
        if (second.groups.size() != message.groups.size())
            __builtin_trap();
        for (const ipp::Group& g : message.groups)
            for (const ipp::Attribute& a : g.attributes)
                for (const ipp::Value& v : a.values)
                    (void)v.AsInteger();
    }
    return 0;
}
