// Fuzzes the shared-table record rules over arbitrary table bytes: lookups,
// claims and releases must stay inside the bytes given and keep their promises.
// Input: [flags][key length][key bytes][table bytes...].
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "jobs/KvrMapFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    uint8_t flags = data[0];
    size_t keyLength = data[1] * 3u;
    data += 2;
    size -= 2;
    if (keyLength > size)
        keyLength = size;
    std::string key(reinterpret_cast<const char*>(data), keyLength);
    key.resize(std::strlen(key.c_str())); // up to the first zero, as a C caller passes it
    data += keyLength;
    size -= keyLength;

    const KvrMapGeometry& geometry = (flags & 1) ? KvrLongTable : KvrShortTable;
    // The table is exactly as long as the input: rarely a whole number of records.
    std::vector<uint8_t> table(data, data + size);
    int32_t kind = (flags >> 1) & 7;
    int32_t value = static_cast<int32_t>(0x01000000u * flags + size + 1);

    KvrFindResult found = KvrFind(table.data(), table.size(), geometry, key.c_str());
    if (found.outcome == KvrFindResult::Found) {
        if (found.offset + geometry.recordSize > table.size())
            __builtin_trap();
        KvrWriteField(table.data() + found.offset, geometry, kind, value);
        if (KvrFieldOffset(geometry, kind) &&
            KvrReadField(table.data() + found.offset, geometry, kind) != value)
            __builtin_trap();
    }

    KvrClaimResult claim = KvrClaim(table.data(), table.size(), geometry, key.c_str(), kind, value);
    if (claim.outcome == KvrClaimResult::Claimed) {
        KvrFindResult again = KvrFind(table.data(), table.size(), geometry, key.c_str());
        if (again.outcome != KvrFindResult::Found || again.offset != claim.offset)
            __builtin_trap();
    }
    if (flags & 0x80)
        KvrRelease(table.data(), table.size(), geometry, key.c_str(), kind);
    return 0;
}
