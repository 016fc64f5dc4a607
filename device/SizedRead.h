#pragma once
// The bidirectional library's two-call read: a call without a buffer reports
// the size, a second call fills a block of that size. Status replies and
// printer data are read this way by the exports and by the monitor window; each
// caller keeps its own block kind and its own answer to every outcome.
#include <windows.h>

#include <optional>

#include "device/KLApiBinding.h"

struct SizedRead {
    enum Stage {
        Probed,   // only the size probe was made: it asked for no read, or gave no size
        NoBlock,  // the block for the reported size could not be allocated
        ReadDone, // both calls were made
    };
    Stage stage = Probed;
    int probe = 0;    // the size probe's result
    int size = 0;     // the size it reported
    int read = 0;     // the read's result (ReadDone only)
    DWORD length = 0; // bytes in the block, never more than it holds (ReadDone only)
};

// Which probe results lead to the read: the library's "too small" always; a
// positive result too where the caller takes it for "data waiting".
enum class ProbeReads { OnTooSmall, OnTooSmallOrData };

// The length a read reported, within the block: the library may report more
// than it was given room for, or a negative count.
constexpr DWORD ClampedReadLength(int reported, int blockSize) {
    return reported < 0 ? 0 : static_cast<DWORD>(reported > blockSize ? blockSize : reported);
}

// `call(buffer, &size)` is the library entry point bound to its channel;
// `block` receives a Block(size) when the probe asks for a read.
template <class Block, class Call>
SizedRead ReadWithSizeProbe(Call&& call, std::optional<Block>& block,
                            ProbeReads reads = ProbeReads::OnTooSmall) {
    SizedRead outcome;
    outcome.probe = call(nullptr, &outcome.size);
    const bool wantsRead = outcome.probe == KL_BUFFER_TOO_SMALL ||
                           (reads == ProbeReads::OnTooSmallOrData && outcome.probe > 0);
    if (!wantsRead || outcome.size <= 0)
        return outcome;
    block.emplace(static_cast<SIZE_T>(outcome.size));
    if (!*block) {
        outcome.stage = SizedRead::NoBlock;
        return outcome;
    }
    int reported = outcome.size;
    outcome.read = call(block->data(), &reported);
    outcome.length = ClampedReadLength(reported, outcome.size);
    outcome.stage = SizedRead::ReadDone;
    return outcome;
}
