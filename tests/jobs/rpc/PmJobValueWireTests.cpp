#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "jobs/rpc/PmJobValueWire.h"

namespace {

void Put(std::vector<unsigned char>& out, std::uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<unsigned char>(v >> shift));
}

// A reply as a print manager would marshal it: context handle, array, needed, result.
std::vector<unsigned char> Reply(std::uint32_t maximum, std::uint32_t offset, std::uint32_t actual,
                                 std::int32_t needed = 9, std::int32_t result = 1) {
    std::vector<unsigned char> out(PmContextHandleSize, 0xCC);
    Put(out, maximum);
    Put(out, offset);
    Put(out, actual);
    for (std::uint32_t i = 0; i < actual; ++i)
        out.push_back(static_cast<unsigned char>('a' + i % 26));
    while (out.size() % 4)
        out.push_back(0);
    Put(out, static_cast<std::uint32_t>(needed));
    Put(out, static_cast<std::uint32_t>(result));
    return out;
}

TEST(PmJobValueWire, AnHonestReplyIsAcceptedWithItsFields) {
    std::vector<unsigned char> bytes = Reply(6, 0, 6, 42, 1);
    PmJobValueReply reply;
    ASSERT_EQ(CheckJobValueReply(bytes.data(), bytes.size(), 6, &reply), PmReplyVerdict::Accepted);
    EXPECT_EQ(reply.dataOffset, 32u);
    EXPECT_EQ(reply.count, 6u);
    EXPECT_EQ(reply.needed, 42);
    EXPECT_EQ(reply.result, 1);
    EXPECT_EQ(bytes[reply.dataOffset], 'a');
}

TEST(PmJobValueWire, RepliesBeyondTheRequestAreRefused) {
    struct Case {
        std::uint32_t maximum, offset, actual;
        PmReplyVerdict verdict;
    };
    const Case cases[] = {
        {16, 0, 16, PmReplyVerdict::Accepted},
        {16, 0, 3, PmReplyVerdict::Accepted}, // fewer bytes than asked for
        {80, 0, 80, PmReplyVerdict::ConformanceAbove},
        {16, 4, 12, PmReplyVerdict::NonZeroOffset},
        {0x1000000, 0x1000000 - 16, 16, PmReplyVerdict::ConformanceAbove},
        {16, 0, 17, PmReplyVerdict::LengthAbove},
        {8, 0, 12, PmReplyVerdict::LengthAbove},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.maximum << "/" << c.offset << "/" << c.actual);
        std::vector<unsigned char> bytes = Reply(c.maximum, c.offset, c.actual);
        PmJobValueReply reply;
        reply.count = 777;
        EXPECT_EQ(CheckJobValueReply(bytes.data(), bytes.size(), 16, &reply), c.verdict);
        if (c.verdict != PmReplyVerdict::Accepted)
            EXPECT_EQ(reply.count, 777u) << "a refused reply fills nothing";
    }
}

TEST(PmJobValueWire, EveryShortenedReplyIsTruncated) {
    std::vector<unsigned char> bytes = Reply(5, 0, 5);
    for (std::size_t size = 0; size < bytes.size(); ++size) {
        SCOPED_TRACE(size);
        EXPECT_EQ(CheckJobValueReply(bytes.data(), size, 5, nullptr), PmReplyVerdict::Truncated);
    }
    // A length that would wrap the reader's arithmetic is caught as well.
    std::vector<unsigned char> wraps(PmContextHandleSize, 0);
    Put(wraps, 0xFFFFFFFF);
    Put(wraps, 0);
    Put(wraps, 0xFFFFFFF0);
    Put(wraps, 0);
    EXPECT_EQ(CheckJobValueReply(wraps.data(), wraps.size(), 0xFFFFFFFF, nullptr),
              PmReplyVerdict::Truncated);
}

TEST(PmJobValueWire, TheRequestCarriesTheArrayAsOneConformantVaryingBlock) {
    const unsigned char value[3] = {1, 2, 3};
    std::vector<unsigned char> request = BuildJobValueRequest(7, 101, value, 3, -2);
    std::vector<unsigned char> expected(PmContextHandleSize, 0);
    Put(expected, 7);
    Put(expected, 101);
    Put(expected, 3);
    Put(expected, 3);
    Put(expected, 0);
    Put(expected, 3);
    expected.insert(expected.end(), {1, 2, 3, 0});
    Put(expected, static_cast<std::uint32_t>(-2));
    EXPECT_EQ(request, expected);
}

} // namespace
