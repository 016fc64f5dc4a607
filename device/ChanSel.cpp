#include "device/ChanSel.h"

#include <cstdint>
#include <cstring>

#include "device/KLApiBinding.h"

namespace {
// A channel list is a few entries; anything larger is a library fault.
constexpr int kMaxListBytes = 64 * 1024;
} // namespace

bool ChanSel::Allocate(std::size_t bytes) {
    entries = static_cast<ChannelEntry*>(::LocalAlloc(LMEM_FIXED | LMEM_ZEROINIT, bytes));
    allocated = entries ? bytes : 0;
    return entries != nullptr;
}

ChanSel::ChanSel(const char* name, int byPrinter, int preferred) {
    KLApiBinding binding;
    if (!binding.IsInitialized() || !name || !*name) {
        result = -1;
        return;
    }
    preferredChannel = preferred;
    bufferSize = 0;
    int rc = binding.KLGetAvailableChannel(byPrinter, name, nullptr, &bufferSize);
    if (rc == KL_NO_CHANNEL || rc == KL_FAILURE) {
        result = 1;
        return;
    }
    if (rc != KL_BUFFER_TOO_SMALL) {
        result = -1;
        return;
    }
    if (bufferSize <= 0 || bufferSize > kMaxListBytes ||
        !Allocate(static_cast<std::size_t>(bufferSize) + 1)) {
        result = 1;
        return;
    }
    int size = bufferSize;
    rc = binding.KLGetAvailableChannel(byPrinter, name, entries, &size);
    if (rc <= 0) {
        result = 1;
        return;
    }
    // Never trust a count beyond what the buffer holds.
    const int fits = bufferSize / static_cast<int>(sizeof(ChannelEntry));
    count = rc < fits ? rc : fits;
    result = 0;
}

ChanSel::ChanSel(const ChannelEntry* list, int listCount, int preferred) {
    preferredChannel = preferred;
    // No list is longer than the library could ever report; a larger count is
    // a caller's mistake, refused before any byte count is formed from it.
    const std::size_t maxCount = static_cast<std::size_t>(kMaxListBytes) / sizeof(ChannelEntry);
    if (listCount < 1 || !list) {
        result = 1;
        return;
    }
    // The byte count is formed only for counts whose product cannot overflow.
    if (static_cast<std::size_t>(listCount) > maxCount ||
        !Allocate(static_cast<std::size_t>(listCount) * 8 + 1)) {
        result = 1;
        return;
    }
    std::memcpy(entries, list, static_cast<std::size_t>(listCount) * sizeof(ChannelEntry));
    bufferSize = listCount * static_cast<int>(sizeof(ChannelEntry));
    count = listCount;
    result = 0;
}

ChanSel::~ChanSel() {
    if (entries)
        ::LocalFree(entries);
}

std::uint16_t ChanSel::FirstEntryFlags() const noexcept {
    return count > 0 ? entries[0].flags : 0;
}

int ChanSel::GetStatChannel(int* channel, std::uint16_t* value) {
    if (result != 0)
        return result;
    if (statChannel == 0) {
        if (count <= 0)
            return 1;
        const int order[] = {ChannelIdStatus, preferredChannel, ChannelIdAlternate,
                             ChannelIdRecord};
        for (int id : order) {
            const ChannelEntry* first = nullptr;
            for (int i = 0; i < count && !first; ++i)
                if (entries[i].channelId == id)
                    first = &entries[i];
            if (first && (first->flags & ChannelFlagStatus)) {
                statChannel = first->channelId;
                statValue = first->value;
                break;
            }
        }
        if (statChannel == 0)
            return 1;
    }
    if (channel)
        *channel = statChannel;
    if (value)
        *value = statValue;
    return 0;
}
