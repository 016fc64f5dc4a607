// The print manager's GetJobValue reply as the client checks it, over arbitrary
// bytes: the check stays inside the bytes, and what it accepts lies within
// them and within the count that was sent.
// Input: [sent count, 2 bytes little-endian][reply bytes...].
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "jobs/rpc/PmJobValueWire.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    std::uint32_t sent = data[0] | static_cast<std::uint32_t>(data[1]) << 8;
    std::vector<unsigned char> reply(data + 2, data + size); // exactly as long as received
    PmJobValueReply accepted;
    if (CheckJobValueReply(reply.data(), reply.size(), sent, &accepted) != PmReplyVerdict::Accepted)
        return 0;
    if (accepted.count > sent || accepted.dataOffset < PmContextHandleSize ||
        accepted.dataOffset > reply.size() || reply.size() - accepted.dataOffset < accepted.count)
        std::abort();
    // The copy the client makes into a buffer of the sent size (ASan checks it).
    std::vector<unsigned char> buffer(sent);
    if (accepted.count)
        std::memcpy(buffer.data(), reply.data() + accepted.dataOffset, accepted.count);
    return buffer.size() == sent ? 0 : 1;
}
