#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// The bytes of the print manager's GetJobValue operation (13) as the client
// sends and checks them: NDR, little-endian, aligned from the message start.
//
// Request: context handle (20 bytes), job, kind, count, then the in/out array
// (maximum count, offset, actual count, bytes, padding to 4), then needed.
// Reply: context handle, the array again, needed, the result.
//
// A reply is accepted only when its array has offset 0, a maximum count no
// larger than the count that was sent and an actual count no larger than its
// maximum, and all of it lies within the bytes received. Only then may a byte
// of it reach the caller's buffer.

constexpr std::size_t PmContextHandleSize = 20;

struct PmJobValueReply {
    std::size_t dataOffset = 0; // first byte of the array's data in the reply
    std::uint32_t count = 0;    // bytes of data (the actual count)
    std::int32_t needed = 0;
    std::int32_t result = 0;
};

enum class PmReplyVerdict {
    Accepted,
    Truncated,        // ends before a field it must hold
    NonZeroOffset,    // the array does not start at the caller's first byte
    ConformanceAbove, // a maximum count above what was asked for
    LengthAbove,      // an actual count above the maximum count
};

// Checks reply[0, size) against the count that was sent; fills *out only when
// the verdict is Accepted.
PmReplyVerdict CheckJobValueReply(const unsigned char* reply, std::size_t size,
                                  std::uint32_t sentCount, PmJobValueReply* out);

// Request bytes after the context handle, which the caller's run time writes
// into the first PmContextHandleSize bytes (left zero here).
std::vector<unsigned char> BuildJobValueRequest(std::int32_t job, std::int32_t kind,
                                                const unsigned char* bytes, std::uint32_t count,
                                                std::int32_t needed);
