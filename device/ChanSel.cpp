#include "device/ChanSel.h"

#include <cstdint>
#include <cstring>

#include "device/KLApiBinding.h"

namespace {
// A channel list is a few entries; anything larger is a library fault.
constexpr int kMaxListBytes = 64 * 1024;
} // namespace

bool ChanSel::Allocate(std::size_t bytes) {
    m_Block.reset(::LocalAlloc(LMEM_FIXED | LMEM_ZEROINIT, bytes));
    return static_cast<bool>(m_Block);
}

ChannelEntry* ChanSel::Entries() const noexcept {
    return static_cast<ChannelEntry*>(m_Block.get());
}

ChanSel::ChanSel(const char* name, int byPrinter, int preferred) {
    KLApiBinding binding;
    if (!binding.IsInitialized() || !name || !*name) {
        m_Result = -1;
        return;
    }
    m_PreferredChannel = preferred;
    m_BufferSize = 0;
    int rc = binding.KLGetAvailableChannel(byPrinter, name, nullptr, &m_BufferSize);
    if (rc == KL_NO_CHANNEL || rc == KL_FAILURE) {
        m_Result = 1;
        return;
    }
    if (rc != KL_BUFFER_TOO_SMALL) {
        m_Result = -1;
        return;
    }
    if (m_BufferSize <= 0 || m_BufferSize > kMaxListBytes ||
        !Allocate(static_cast<std::size_t>(m_BufferSize) + 1)) {
        m_Result = 1;
        return;
    }
    int size = m_BufferSize;
    rc = binding.KLGetAvailableChannel(byPrinter, name, Entries(), &size);
    if (rc <= 0) {
        m_Result = 1;
        return;
    }
    // Never trust a count beyond what the buffer holds.
    const int fits = m_BufferSize / static_cast<int>(sizeof(ChannelEntry));
    m_Count = rc < fits ? rc : fits;
    m_Result = 0;
}

ChanSel::ChanSel(const ChannelEntry* list, int listCount, int preferred) {
    m_PreferredChannel = preferred;
    // No list is longer than the library could ever report; a larger count is
    // a caller's mistake, refused before any byte count is formed from it.
    const std::size_t maxCount = static_cast<std::size_t>(kMaxListBytes) / sizeof(ChannelEntry);
    if (listCount < 1 || !list) {
        m_Result = 1;
        return;
    }
    // The byte count is formed only for counts whose product cannot overflow.
    if (static_cast<std::size_t>(listCount) > maxCount ||
        !Allocate(static_cast<std::size_t>(listCount) * 8 + 1)) {
        m_Result = 1;
        return;
    }
    std::memcpy(Entries(), list, static_cast<std::size_t>(listCount) * sizeof(ChannelEntry));
    m_BufferSize = listCount * static_cast<int>(sizeof(ChannelEntry));
    m_Count = listCount;
    m_Result = 0;
}

ChanSel::~ChanSel() = default;

std::uint16_t ChanSel::FirstEntryFlags() const noexcept {
    return m_Count > 0 ? Entries()[0].flags : 0;
}

int ChanSel::GetStatChannel(int* channel, std::uint16_t* value) {
    if (m_Result != 0)
        return m_Result;
    if (m_StatChannel == 0) {
        if (m_Count <= 0)
            return 1;
        const int order[] = {ChannelIdStatus, m_PreferredChannel, ChannelIdAlternate,
                             ChannelIdRecord};
        const ChannelEntry* entries = Entries();
        for (int id : order) {
            const ChannelEntry* first = nullptr;
            for (int i = 0; i < m_Count && !first; ++i)
                if (entries[i].channelId == id)
                    first = &entries[i];
            if (first && (first->flags & ChannelFlagStatus)) {
                m_StatChannel = first->channelId;
                m_StatValue = first->value;
                break;
            }
        }
        if (m_StatChannel == 0)
            return 1;
    }
    if (channel)
        *channel = m_StatChannel;
    if (value)
        *value = m_StatValue;
    return 0;
}
