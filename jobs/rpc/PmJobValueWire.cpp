#include "jobs/rpc/PmJobValueWire.h"

#include <cstring>

namespace {

std::size_t Align4(std::size_t offset) {
    return (offset + 3) & ~static_cast<std::size_t>(3);
}

std::uint32_t Load(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void Store(std::vector<unsigned char>& out, std::uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<unsigned char>(v >> shift));
}

// Reads the 32-bit field at *at (aligned first); false when it is not all there.
bool Next(const unsigned char* reply, std::size_t size, std::size_t* at, std::uint32_t* value) {
    std::size_t start = Align4(*at);
    if (start > size || size - start < 4)
        return false;
    *value = Load(reply + start);
    *at = start + 4;
    return true;
}

} // namespace

PmReplyVerdict CheckJobValueReply(const unsigned char* reply, std::size_t size,
                                  std::uint32_t sentCount, PmJobValueReply* out) {
    if (!reply || size < PmContextHandleSize)
        return PmReplyVerdict::Truncated;
    std::size_t at = PmContextHandleSize;
    std::uint32_t maximum = 0, offset = 0, actual = 0;
    if (!Next(reply, size, &at, &maximum) || !Next(reply, size, &at, &offset) ||
        !Next(reply, size, &at, &actual))
        return PmReplyVerdict::Truncated;
    if (maximum > sentCount)
        return PmReplyVerdict::ConformanceAbove;
    if (offset != 0)
        return PmReplyVerdict::NonZeroOffset;
    if (actual > maximum)
        return PmReplyVerdict::LengthAbove;
    if (size - at < actual)
        return PmReplyVerdict::Truncated;
    const std::size_t data = at;
    at += actual;
    std::uint32_t needed = 0, result = 0;
    if (!Next(reply, size, &at, &needed) || !Next(reply, size, &at, &result))
        return PmReplyVerdict::Truncated;
    if (out) {
        out->dataOffset = data;
        out->count = actual;
        out->needed = static_cast<std::int32_t>(needed);
        out->result = static_cast<std::int32_t>(result);
    }
    return PmReplyVerdict::Accepted;
}

std::vector<unsigned char> BuildJobValueRequest(std::int32_t job, std::int32_t kind,
                                                const unsigned char* bytes, std::uint32_t count,
                                                std::int32_t needed) {
    std::vector<unsigned char> out(PmContextHandleSize, 0);
    out.reserve(PmContextHandleSize + 28 + Align4(count));
    Store(out, static_cast<std::uint32_t>(job));
    Store(out, static_cast<std::uint32_t>(kind));
    Store(out, count);
    Store(out, count); // maximum
    Store(out, 0);     // offset
    Store(out, count); // actual
    if (count)
        out.insert(out.end(), bytes, bytes + count);
    out.resize(Align4(out.size()), 0);
    Store(out, static_cast<std::uint32_t>(needed));
    return out;
}
