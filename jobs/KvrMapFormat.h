#pragma once
#include <cstddef>
#include <cstdint>

// Layout of the shared printer tables and the record rules every user of them
// follows. All functions work on a byte range and never touch a byte outside it.
// Records are packed from offset 0: the key (zero-terminated; byte 0 is also the
// slot state, 0x00 free, 0xFF end marker), two reserved bytes, then three
// unaligned little-endian 32-bit fields value1, value0, value3.
struct KvrMapGeometry {
    const char* mappingName;
    size_t nameSize; // key bytes before the reserved pair
    size_t recordSize;
    size_t recordCount;
    size_t mappingSize;
};

extern const KvrMapGeometry KvrShortTable; // "KvrMapFile_02": keys of 0..260 characters
extern const KvrMapGeometry KvrLongTable;  // "KvrMapFile2_02": 261..520 characters

constexpr uint8_t KvrFreeSlot = 0x00;
constexpr uint8_t KvrEndMarker = 0xFF;

// The table a key of this length belongs to; null when no record can hold it.
const KvrMapGeometry* KvrTableForKey(size_t keyLength) noexcept;

// Offset of the field that a kind addresses within a record (kind 0 value0,
// kinds 1 and 2 value1, kind 3 value3); 0 for kinds without a field.
size_t KvrFieldOffset(const KvrMapGeometry& table, int32_t kind) noexcept;

enum class KvrRecordState { EndMarker, Match, Other };

// Looks at one record (available bytes from its start). Keys are compared
// without regard to ASCII letter case; the key must fit the table's record.
// A record cut short by the range counts as the end of the table.
KvrRecordState KvrExamineRecord(const uint8_t* record, size_t available,
                                const KvrMapGeometry& table, const char* key) noexcept;

struct KvrFindResult {
    enum Outcome { Found, EndMarker, Exhausted } outcome;
    size_t offset; // of the record found
};

// Walks the records of a whole table held in [table, table + size).
KvrFindResult KvrFind(const uint8_t* table, size_t size, const KvrMapGeometry& geometry,
                      const char* key) noexcept;

// Writes value into the kind's field of the record at record; false (nothing
// written) for kinds without a field.
bool KvrWriteField(uint8_t* record, const KvrMapGeometry& table, int32_t kind,
                   int32_t value) noexcept;
int32_t KvrReadField(const uint8_t* record, const KvrMapGeometry& table, int32_t kind) noexcept;

// The rules of the component that creates and fills the tables.

// A new, empty table: the end marker in the first record.
void KvrInitialiseTable(uint8_t* table, size_t size) noexcept;

struct KvrClaimResult {
    enum Outcome { Claimed, Held, NoSlot, Refused } outcome;
    int32_t holder; // Held: the value stored (0 when it is -1)
    size_t offset;  // Claimed, Held: the record's offset
};

// Claims the kind's field of the key's record for value, entering the key in the
// first free slot or at the end marker when it is new. Refused: a kind without a
// field, an empty key (its record could not be told from a free slot), a key that
// starts with byte 0xFF (it would read as the end marker), a key the table cannot
// hold, or the value 0 (which means unclaimed).
KvrClaimResult KvrClaim(uint8_t* table, size_t size, const KvrMapGeometry& geometry,
                        const char* key, int32_t kind, int32_t value) noexcept;

// Clears the kind's field of the key's record, and frees the slot when all
// three fields are 0. False when the key has no record or the kind no field.
bool KvrRelease(uint8_t* table, size_t size, const KvrMapGeometry& geometry, const char* key,
                int32_t kind) noexcept;
