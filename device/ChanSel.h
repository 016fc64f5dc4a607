#pragma once
#include <windows.h>
#include <cstdint>

#include "framework/CObject.h"
#include "framework/Handles.h"

// One record of a channel list as the bidirectional library writes it.
#pragma pack(push, 1)
struct ChannelEntry {
    std::int32_t channelId;
    std::uint16_t flags;
    std::uint16_t value;
};
#pragma pack(pop)
static_assert(sizeof(ChannelEntry) == 8, "channel entries are packed 8-byte records");

constexpr int ChannelIdStatus = 0x00000004;
constexpr int ChannelIdPreferred = 0x10010003;
constexpr int ChannelIdAlternate = 0x10000003;
constexpr int ChannelIdRecord = 0x02000001;
constexpr std::uint16_t ChannelFlagStatus = 0x0004;
constexpr std::uint16_t ChannelFlagSlow = 0x8000;

// A printer's channel list and the rule that picks its status channel. Built
// from the library (a short-lived binding of its own) or from a caller's list.
class ChanSel : public CObject {
public:
    // result: 0 list ready; 1 no channel, empty list or no memory; -1 library
    // not ready, empty name, or an unexpected answer to the size probe.
    ChanSel(const char* name, int byPrinter, int preferredChannel);
    ChanSel(const ChannelEntry* list, int listCount, int preferredChannel);
    ~ChanSel() override;

    int GetResult() const noexcept { return m_Result; }

    // Tries ids 4, the preferred id, 0x10000003, 0x02000001; for each, only the
    // first entry with that id counts, and only if it has the status bit.
    // 0 chosen (outputs written); 1 none qualifies; otherwise GetResult().
    [[nodiscard]] int GetStatChannel(int* channel, std::uint16_t* value);

    int Count() const noexcept { return m_Count; }
    // Flags of the list's first entry (0 when the list is empty).
    std::uint16_t FirstEntryFlags() const noexcept;

private:
    bool Allocate(std::size_t bytes);
    ChannelEntry* Entries() const noexcept;

    UniqueLocal m_Block; // the list, in the LocalAlloc block the library fills
    int m_PreferredChannel = 0;
    int m_BufferSize = 0;
    int m_Result = 0;
    int m_Count = 0;
    int m_StatChannel = 0;
    std::uint16_t m_StatValue = 0;
};
