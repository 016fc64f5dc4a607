#include "jobs/KvrMapFormat.h"

#include <algorithm>
#include <cstring>
#include <iterator>

const KvrMapGeometry KvrShortTable{"KvrMapFile_02", 260, 274, 500, 137000};
const KvrMapGeometry KvrLongTable{"KvrMapFile2_02", 520, 534, 500, 267000};

namespace {

constexpr size_t ReservedSize = 2;

uint8_t Fold(uint8_t c) {
    return (c >= 'a' && c <= 'z') ? static_cast<uint8_t>(c - 'a' + 'A') : c;
}

size_t Value1Offset(const KvrMapGeometry& t) {
    return t.nameSize + ReservedSize;
}

int32_t Load32(const uint8_t* p) {
    uint32_t v = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                 static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
    return static_cast<int32_t>(v);
}

// One 4-byte store, as readers in other processes expect.
void Store32(uint8_t* p, int32_t value) {
    uint32_t v = static_cast<uint32_t>(value);
    uint8_t bytes[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                        static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
    std::memcpy(p, bytes, 4);
}

size_t RecordsIn(size_t size, const KvrMapGeometry& t) {
    size_t n = size / t.recordSize;
    return n < t.recordCount ? n : t.recordCount;
}

bool KeyFits(const char* key, const KvrMapGeometry& t) {
    return std::strlen(key) <= t.nameSize;
}

// The three field offsets other than the one of kind.
bool OtherFieldsZero(const uint8_t* record, const KvrMapGeometry& t, size_t fieldOffset) {
    const size_t fields[3] = {Value1Offset(t), Value1Offset(t) + 4, Value1Offset(t) + 8};
    return std::none_of(std::begin(fields), std::end(fields), [&](size_t offset) {
        return offset != fieldOffset && Load32(record + offset) != 0;
    });
}

// Writes a new record so that a reader in another process sees either the old
// slot state or the complete record: byte 0 goes last.
void WriteNewRecord(uint8_t* record, const KvrMapGeometry& t, const char* key, size_t fieldOffset,
                    int32_t value) {
    size_t length = std::strlen(key);
    std::memset(record + 1, 0, t.recordSize - 1);
    if (length > 1)
        std::memcpy(record + 1, key + 1, length - 1);
    Store32(record + fieldOffset, value);
    record[0] = static_cast<uint8_t>(key[0]);
}

} // namespace

const KvrMapGeometry* KvrTableForKey(size_t keyLength) noexcept {
    if (keyLength <= KvrShortTable.nameSize)
        return &KvrShortTable;
    if (keyLength <= KvrLongTable.nameSize)
        return &KvrLongTable;
    return nullptr;
}

size_t KvrFieldOffset(const KvrMapGeometry& table, int32_t kind) noexcept {
    switch (kind) {
    case 0:
        return Value1Offset(table) + 4;
    case 1:
    case 2:
        return Value1Offset(table);
    case 3:
        return Value1Offset(table) + 8;
    default:
        return 0;
    }
}

KvrRecordState KvrExamineRecord(const uint8_t* record, size_t available,
                                const KvrMapGeometry& table, const char* key) noexcept {
    if (!record || available < table.recordSize || record[0] == KvrEndMarker)
        return KvrRecordState::EndMarker;
    if (!key)
        key = "";
    size_t length = std::strlen(key);
    if (length > table.nameSize)
        return KvrRecordState::Other;
    // The stored name must end where the key ends; byte length is at most
    // nameSize, the first reserved byte, inside the record.
    for (size_t i = 0; i < length; ++i)
        if (Fold(record[i]) != Fold(static_cast<uint8_t>(key[i])))
            return KvrRecordState::Other;
    return record[length] == 0 ? KvrRecordState::Match : KvrRecordState::Other;
}

KvrFindResult KvrFind(const uint8_t* table, size_t size, const KvrMapGeometry& geometry,
                      const char* key) noexcept {
    size_t records = RecordsIn(size, geometry);
    for (size_t i = 0; i < records; ++i) {
        size_t offset = i * geometry.recordSize;
        switch (KvrExamineRecord(table + offset, size - offset, geometry, key)) {
        case KvrRecordState::EndMarker:
            return {KvrFindResult::EndMarker, offset};
        case KvrRecordState::Match:
            return {KvrFindResult::Found, offset};
        case KvrRecordState::Other:
            break;
        }
    }
    return {KvrFindResult::Exhausted, records * geometry.recordSize};
}

bool KvrWriteField(uint8_t* record, const KvrMapGeometry& table, int32_t kind,
                   int32_t value) noexcept {
    size_t offset = KvrFieldOffset(table, kind);
    if (!offset)
        return false;
    Store32(record + offset, value);
    return true;
}

int32_t KvrReadField(const uint8_t* record, const KvrMapGeometry& table, int32_t kind) noexcept {
    size_t offset = KvrFieldOffset(table, kind);
    return offset ? Load32(record + offset) : 0;
}

void KvrInitialiseTable(uint8_t* table, size_t size) noexcept {
    if (table && size)
        table[0] = KvrEndMarker;
}

KvrClaimResult KvrClaim(uint8_t* table, size_t size, const KvrMapGeometry& geometry,
                        const char* key, int32_t kind, int32_t value) noexcept {
    size_t fieldOffset = KvrFieldOffset(geometry, kind);
    // A key that starts with the end-marker byte would read as the end of the
    // table and hide every record after it.
    if (!table || !key || !*key || static_cast<uint8_t>(key[0]) == KvrEndMarker || !fieldOffset ||
        value == 0 || !KeyFits(key, geometry))
        return {KvrClaimResult::Refused, 0, 0};

    size_t records = RecordsIn(size, geometry);
    size_t freeSlot = records; // none yet
    size_t endSlot = records;  // none found
    for (size_t i = 0; i < records; ++i) {
        uint8_t* record = table + i * geometry.recordSize;
        if (record[0] == KvrEndMarker) {
            endSlot = i;
            break;
        }
        if (KvrExamineRecord(record, size - i * geometry.recordSize, geometry, key) ==
            KvrRecordState::Match) {
            int32_t current = Load32(record + fieldOffset);
            if (current == 0) {
                Store32(record + fieldOffset, value);
                return {KvrClaimResult::Claimed, value, i * geometry.recordSize};
            }
            return {KvrClaimResult::Held, current == -1 ? 0 : current, i * geometry.recordSize};
        }
        if (record[0] == KvrFreeSlot && freeSlot == records)
            freeSlot = i;
    }

    if (freeSlot < records) {
        uint8_t* record = table + freeSlot * geometry.recordSize;
        WriteNewRecord(record, geometry, key, fieldOffset, value);
        return {KvrClaimResult::Claimed, value, freeSlot * geometry.recordSize};
    }
    // The end marker keeps a slot of its own, so the record needs the next one.
    if (endSlot + 1 >= records)
        return {KvrClaimResult::NoSlot, 0, 0};
    uint8_t* record = table + endSlot * geometry.recordSize;
    table[(endSlot + 1) * geometry.recordSize] = KvrEndMarker;
    WriteNewRecord(record, geometry, key, fieldOffset, value);
    return {KvrClaimResult::Claimed, value, endSlot * geometry.recordSize};
}

bool KvrRelease(uint8_t* table, size_t size, const KvrMapGeometry& geometry, const char* key,
                int32_t kind) noexcept {
    size_t fieldOffset = KvrFieldOffset(geometry, kind);
    if (!table || !key || !fieldOffset)
        return false;
    KvrFindResult found = KvrFind(table, size, geometry, key);
    if (found.outcome != KvrFindResult::Found)
        return false;
    uint8_t* record = table + found.offset;
    Store32(record + fieldOffset, 0);
    if (OtherFieldsZero(record, geometry, fieldOffset))
        record[0] = KvrFreeSlot;
    return true;
}
