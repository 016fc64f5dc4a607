// The shared table's record rules on plain bytes: lookups, claims and releases.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "jobs/KvrMapFormat.h"

namespace {

class KvrTable {
public:
    explicit KvrTable(const KvrMapGeometry& g) : geometry(g), bytes(g.mappingSize, 0xCC) {
        KvrInitialiseTable(bytes.data(), bytes.size());
    }
    KvrClaimResult Claim(const std::string& key, int32_t kind, int32_t value) {
        return KvrClaim(bytes.data(), bytes.size(), geometry, key.c_str(), kind, value);
    }
    bool Release(const std::string& key, int32_t kind) {
        return KvrRelease(bytes.data(), bytes.size(), geometry, key.c_str(), kind);
    }
    KvrFindResult Find(const std::string& key) {
        return KvrFind(bytes.data(), bytes.size(), geometry, key.c_str());
    }
    int32_t Field(size_t offset, int32_t kind) {
        return KvrReadField(bytes.data() + offset, geometry, kind);
    }
    uint8_t SlotByte(size_t record) { return bytes[record * geometry.recordSize]; }

    const KvrMapGeometry& geometry;
    std::vector<uint8_t> bytes;
};

TEST(KvrMapFormatTest, GeometryAndTableChoice) {
    EXPECT_EQ(KvrShortTable.recordSize * KvrShortTable.recordCount, KvrShortTable.mappingSize);
    EXPECT_EQ(KvrLongTable.recordSize * KvrLongTable.recordCount, KvrLongTable.mappingSize);
    EXPECT_STREQ(KvrShortTable.mappingName, "KvrMapFile_02");
    EXPECT_STREQ(KvrLongTable.mappingName, "KvrMapFile2_02");
    EXPECT_EQ(KvrTableForKey(0), &KvrShortTable);
    EXPECT_EQ(KvrTableForKey(260), &KvrShortTable);
    EXPECT_EQ(KvrTableForKey(261), &KvrLongTable);
    EXPECT_EQ(KvrTableForKey(520), &KvrLongTable);
    EXPECT_EQ(KvrTableForKey(521), nullptr);
    // value1 262, value0 266, value3 270 in the short table; +260 in the long one.
    EXPECT_EQ(KvrFieldOffset(KvrShortTable, 1), 262u);
    EXPECT_EQ(KvrFieldOffset(KvrShortTable, 2), 262u);
    EXPECT_EQ(KvrFieldOffset(KvrShortTable, 0), 266u);
    EXPECT_EQ(KvrFieldOffset(KvrShortTable, 3), 270u);
    EXPECT_EQ(KvrFieldOffset(KvrLongTable, 3), 530u);
    EXPECT_EQ(KvrFieldOffset(KvrShortTable, 4), 0u);
}

TEST(KvrMapFormatTest, ClaimEntersRecordsAndReportsHolders) {
    KvrTable table(KvrShortTable);
    EXPECT_EQ(table.Find("Kestrel_K7").outcome, KvrFindResult::EndMarker);

    KvrClaimResult first = table.Claim("Kestrel_K7", 1, 0x1234);
    EXPECT_EQ(first.outcome, KvrClaimResult::Claimed);
    EXPECT_EQ(first.offset, 0u);
    EXPECT_EQ(table.SlotByte(1), KvrEndMarker) << "the end marker moved to the next slot";
    EXPECT_EQ(table.Field(0, 1), 0x1234);
    EXPECT_EQ(table.Field(0, 0), 0);
    EXPECT_EQ(table.bytes[260], 0);
    EXPECT_EQ(table.bytes[261], 0);

    // Another kind of the same (differently cased) key goes into the same record.
    KvrClaimResult other = table.Claim("KESTREL_k7", 0, 77);
    EXPECT_EQ(other.outcome, KvrClaimResult::Claimed);
    EXPECT_EQ(other.offset, 0u);
    KvrClaimResult held = table.Claim("kestrel_k7", 1, 99);
    EXPECT_EQ(held.outcome, KvrClaimResult::Held);
    EXPECT_EQ(held.holder, 0x1234);

    KvrClaimResult second = table.Claim("USB001", 3, -1);
    EXPECT_EQ(second.offset, KvrShortTable.recordSize);
    EXPECT_EQ(table.Claim("USB001", 3, 5).holder, 0) << "-1 is stored but never reported";

    EXPECT_EQ(table.Claim("X", 4, 1).outcome, KvrClaimResult::Refused);
    EXPECT_EQ(table.Claim("X", 1, 0).outcome, KvrClaimResult::Refused);
    EXPECT_EQ(table.Claim("", 1, 1).outcome, KvrClaimResult::Refused);
    EXPECT_EQ(table.Claim("\xFFprinter", 1, 1).outcome, KvrClaimResult::Refused)
        << "its first byte would end the table";
    EXPECT_EQ(table.Claim(std::string(261, 'x'), 1, 1).outcome, KvrClaimResult::Refused);
}

TEST(KvrMapFormatTest, ReleaseFreesTheSlotWhenAllFieldsAreZero) {
    KvrTable table(KvrShortTable);
    table.Claim("A", 1, 10);
    table.Claim("A", 0, 20);
    table.Claim("B", 1, 30);
    EXPECT_TRUE(table.Release("a", 1));
    EXPECT_EQ(table.SlotByte(0), 'A') << "value0 still claimed";
    EXPECT_TRUE(table.Release("A", 0));
    EXPECT_EQ(table.SlotByte(0), KvrFreeSlot);
    EXPECT_FALSE(table.Release("A", 1)) << "the key has no record any more";
    EXPECT_FALSE(table.Release("B", 7));

    // A new key takes the first free slot; the end marker stays where it was.
    EXPECT_EQ(table.Claim("C", 3, 40).offset, 0u);
    EXPECT_EQ(table.SlotByte(2), KvrEndMarker);
    EXPECT_EQ(table.Find("B").offset, KvrShortTable.recordSize);
    // The empty key finds the first free slot, before the end marker.
    table.Release("C", 3);
    KvrFindResult empty = table.Find("");
    EXPECT_EQ(empty.outcome, KvrFindResult::Found);
    EXPECT_EQ(empty.offset, 0u);
}

TEST(KvrMapFormatTest, TableHoldsAtMost499Records) {
    KvrTable table(KvrShortTable);
    for (int i = 0; i < 499; ++i)
        ASSERT_EQ(table.Claim("P" + std::to_string(i), 1, i + 1).outcome, KvrClaimResult::Claimed);
    EXPECT_EQ(table.SlotByte(499), KvrEndMarker);
    EXPECT_EQ(table.Claim("one more", 1, 1).outcome, KvrClaimResult::NoSlot);
    EXPECT_EQ(table.Find("P498").offset, 498 * KvrShortTable.recordSize);
    EXPECT_EQ(table.Find("none").outcome, KvrFindResult::EndMarker);

    // Without any end marker the walk stops after 500 records.
    table.bytes[499 * KvrShortTable.recordSize] = 'Z';
    EXPECT_EQ(table.Find("none").outcome, KvrFindResult::Exhausted);
}

TEST(KvrMapFormatTest, NamesAtTheEdgesOfTheRecord) {
    KvrTable table(KvrShortTable);
    std::string full(260, 'n');
    ASSERT_EQ(table.Claim(full, 1, 5).outcome, KvrClaimResult::Claimed);
    EXPECT_EQ(table.bytes[260], 0) << "a 260-character key ends in the first reserved byte";
    EXPECT_EQ(table.Find(full).outcome, KvrFindResult::Found);
    EXPECT_EQ(table.Find(full.substr(0, 259)).outcome, KvrFindResult::EndMarker);
    EXPECT_EQ(table.Find(full + "n").outcome, KvrFindResult::EndMarker);

    KvrTable wide(KvrLongTable);
    std::string longKey(520, 'w');
    ASSERT_EQ(wide.Claim(longKey, 3, 6).outcome, KvrClaimResult::Claimed);
    EXPECT_EQ(wide.Field(0, 3), 6);
    EXPECT_EQ(wide.Find(longKey).outcome, KvrFindResult::Found);

    // A record whose name runs into the reserved bytes without a terminator
    // matches no key.
    std::memset(table.bytes.data(), 'q', 262);
    EXPECT_EQ(table.Find(std::string(260, 'q')).outcome, KvrFindResult::EndMarker);
}

TEST(KvrMapFormatTest, ExaminesOnlyTheBytesItIsGiven) {
    std::vector<uint8_t> record(KvrShortTable.recordSize, 0);
    std::memcpy(record.data(), "Kestrel", 8);
    EXPECT_EQ(KvrExamineRecord(record.data(), record.size(), KvrShortTable, "kestrel"),
              KvrRecordState::Match);
    EXPECT_EQ(KvrExamineRecord(record.data(), record.size() - 1, KvrShortTable, "kestrel"),
              KvrRecordState::EndMarker);
    EXPECT_EQ(KvrFind(record.data(), record.size() - 1, KvrShortTable, "x").outcome,
              KvrFindResult::Exhausted);
    EXPECT_EQ(KvrExamineRecord(nullptr, 0, KvrShortTable, "x"), KvrRecordState::EndMarker);
}

} // namespace
