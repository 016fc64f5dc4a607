// The two-call read every reader of status replies and printer data shares,
// against a scripted library: what it allocates, what length it trusts.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "device/SizedRead.h"
#include "framework/Handles.h"

namespace {

// A library whose data may change between the two calls, and which may claim
// more (or less) than it wrote.
struct ScriptedLibrary {
    std::string data;
    std::string dataAtRead; // the data at the second call, when it changed
    int probeResult = KL_BUFFER_TOO_SMALL;
    int reportedExtra = 0;       // added to the count the read reports
    std::vector<int> sizesGiven; // the size passed to each call

    explicit ScriptedLibrary(std::string now, int probe = KL_BUFFER_TOO_SMALL, int extra = 0,
                             std::string later = {})
        : data(std::move(now)), dataAtRead(std::move(later)), probeResult(probe),
          reportedExtra(extra) {}

    int operator()(void* buffer, int* size) {
        sizesGiven.push_back(*size);
        if (!buffer) {
            *size = static_cast<int>(data.size());
            return probeResult;
        }
        const std::string& now = dataAtRead.empty() ? data : dataAtRead;
        if (*size < static_cast<int>(now.size())) {
            *size = static_cast<int>(now.size());
            return KL_BUFFER_TOO_SMALL;
        }
        std::memcpy(buffer, now.data(), now.size());
        *size = static_cast<int>(now.size()) + reportedExtra;
        return static_cast<int>(now.size());
    }
};

// A block that can never be had.
struct UnobtainableBlock {
    explicit UnobtainableBlock(SIZE_T) {}
    explicit operator bool() const { return false; }
    BYTE* data() const { return nullptr; }
};

SizedRead Read(ScriptedLibrary& library, std::optional<LocalBuffer>& block,
               ProbeReads reads = ProbeReads::OnTooSmall) {
    return ReadWithSizeProbe([&](void* b, int* s) { return library(b, s); }, block, reads);
}

TEST(SizedRead, ReadsWhatTheProbeAnnounced) {
    ScriptedLibrary library("@BDC ST\r\nST:04;\x0C");
    std::optional<LocalBuffer> block;
    const SizedRead read = Read(library, block);
    ASSERT_EQ(read.stage, SizedRead::ReadDone);
    EXPECT_EQ(read.probe, KL_BUFFER_TOO_SMALL);
    EXPECT_EQ(read.read, static_cast<int>(library.data.size()));
    ASSERT_EQ(read.length, library.data.size());
    EXPECT_EQ(block->size(), library.data.size());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(block->data()), read.length), library.data);
    EXPECT_EQ(library.sizesGiven, (std::vector<int>{0, static_cast<int>(library.data.size())}));
}

// The length never runs past the block, whatever the library claims.
TEST(SizedRead, ClaimedLengthIsKeptWithinTheBlock) {
    ScriptedLibrary longer("ST:04;", KL_BUFFER_TOO_SMALL, 4000);
    std::optional<LocalBuffer> block;
    SizedRead read = Read(longer, block);
    EXPECT_EQ(read.read, 6);
    EXPECT_EQ(read.length, 6u);

    ScriptedLibrary negative("ST:04;", KL_BUFFER_TOO_SMALL, -100);
    read = Read(negative, block);
    EXPECT_EQ(read.length, 0u);

    ScriptedLibrary shorter("ST:04;", KL_BUFFER_TOO_SMALL, -2);
    read = Read(shorter, block);
    EXPECT_EQ(read.length, 4u);
}

// A reply that grew after the probe is not read into the smaller block: the
// library's "too small" comes back to the caller, with nothing trusted beyond the block.
TEST(SizedRead, ReplyThatGrewAfterTheProbe) {
    ScriptedLibrary library("ST:04;", KL_BUFFER_TOO_SMALL, 0, "ST:04;ER:05;IQ:5A4B3C2D1E64;");
    std::optional<LocalBuffer> block;
    const SizedRead read = Read(library, block);
    ASSERT_EQ(read.stage, SizedRead::ReadDone);
    EXPECT_EQ(read.read, KL_BUFFER_TOO_SMALL);
    EXPECT_EQ(read.size, 6);
    EXPECT_LE(read.length, 6u);
    EXPECT_EQ(block->size(), 6u);
}

// Probe results that ask for no read, and probes without a usable size: one
// call, no block.
TEST(SizedRead, ProbesThatLeadToNoRead) {
    struct Case {
        int probeResult;
        std::string data;
        ProbeReads reads;
    };
    const Case cases[] = {
        {0, "ST:04;", ProbeReads::OnTooSmall},
        {KL_CHANNEL_IN_USE, "ST:04;", ProbeReads::OnTooSmall},
        {KL_FAILURE, "ST:04;", ProbeReads::OnTooSmallOrData},
        {6, "ST:04;", ProbeReads::OnTooSmall},
        {KL_BUFFER_TOO_SMALL, "", ProbeReads::OnTooSmall},
        {6, "", ProbeReads::OnTooSmallOrData},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.probeResult);
        ScriptedLibrary library(c.data, c.probeResult);
        std::optional<LocalBuffer> block;
        const SizedRead read = Read(library, block, c.reads);
        EXPECT_EQ(read.stage, SizedRead::Probed);
        EXPECT_EQ(read.probe, c.probeResult);
        EXPECT_EQ(read.length, 0u);
        EXPECT_FALSE(block.has_value());
        EXPECT_EQ(library.sizesGiven.size(), 1u);
    }
}

TEST(SizedRead, PositiveProbeReadsWhereTheCallerSaysDataIsWaiting) {
    ScriptedLibrary library("ST:04;", 6);
    std::optional<LocalBuffer> block;
    const SizedRead read = Read(library, block, ProbeReads::OnTooSmallOrData);
    EXPECT_EQ(read.stage, SizedRead::ReadDone);
    EXPECT_EQ(read.length, 6u);
}

TEST(SizedRead, BlockThatCannotBeAllocatedStopsBeforeTheRead) {
    ScriptedLibrary library("ST:04;");
    std::optional<UnobtainableBlock> block;
    const SizedRead read = ReadWithSizeProbe([&](void* b, int* s) { return library(b, s); }, block);
    EXPECT_EQ(read.stage, SizedRead::NoBlock);
    EXPECT_EQ(read.size, 6);
    EXPECT_EQ(library.sizesGiven.size(), 1u);
}

} // namespace
