// SetKvrMapValue against real named file mappings made the way the printing
// side makes them.
#include <gtest/gtest.h>

#include <windows.h>
#include <string>

#include "framework/Handles.h"
#include "jobs/KvrMapFormat.h"
#include "jobs/SetKvrMapValue.h"

namespace {

// One of the two tables, created on the paging file and held while it lives.
class Table {
public:
    explicit Table(const KvrMapGeometry& g, size_t size = 0) : geometry(g) {
        size_t bytes = size ? size : g.mappingSize;
        mapping.reset(::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                           static_cast<DWORD>(bytes), g.mappingName));
        fresh = ::GetLastError() != ERROR_ALREADY_EXISTS;
        view.reset(::MapViewOfFile(mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, bytes));
        data = static_cast<uint8_t*>(view.get());
        length = bytes;
        if (data)
            KvrInitialiseTable(data, length);
    }
    size_t Claim(const std::string& key, int32_t kind, int32_t value) {
        KvrClaimResult r = KvrClaim(data, length, geometry, key.c_str(), kind, value);
        EXPECT_EQ(r.outcome, KvrClaimResult::Claimed) << key;
        return r.offset;
    }
    int32_t Field(size_t offset, int32_t kind) {
        return KvrReadField(data + offset, geometry, kind);
    }

    const KvrMapGeometry& geometry;
    UniqueKernelHandle mapping;
    UniqueMapView view;
    uint8_t* data = nullptr;
    size_t length = 0;
    bool fresh = false;
};

TEST(SetKvrMapValueTest, MissingTableIsMinusOne) {
    EXPECT_EQ(SetKvrMapValue("Kestrel_K7", "USB001", 1, 1), -1);
    EXPECT_EQ(SetKvrMapValue(std::string(300, 'L').c_str(), "", 1, 1), -1);
}

TEST(SetKvrMapValueTest, WritesTheFieldOfTheKindInTheKeysRecord) {
    Table table(KvrShortTable);
    ASSERT_TRUE(table.fresh && table.data);
    size_t port = table.Claim("USB001", 0, -1);
    size_t printer = table.Claim("Kestrel_K7", 0, 5);

    EXPECT_EQ(SetKvrMapValue("KESTREL_k7", "USB001", 0x10203, 1), 0);
    EXPECT_EQ(table.Field(printer, 1), 0x10203);
    EXPECT_EQ(table.Field(port, 1), 0) << "the printer name is the key when it is given";
    EXPECT_EQ(SetKvrMapValue("Kestrel_K7", "", 22, 2), 0);
    EXPECT_EQ(table.Field(printer, 1), 22) << "kind 2 is the field of kind 1";
    EXPECT_EQ(SetKvrMapValue("Kestrel_K7", "", 33, 3), 0);
    EXPECT_EQ(table.Field(printer, 3), 33);
    EXPECT_EQ(SetKvrMapValue("Kestrel_K7", "", 44, 0), 0);
    EXPECT_EQ(table.Field(printer, 0), 44);
    EXPECT_EQ(SetKvrMapValue("Kestrel_K7", "", 55, 4), 0) << "found, but kind 4 has no field";
    EXPECT_EQ(table.Field(printer, 1), 22);
    EXPECT_EQ(table.Field(printer, 0), 44);
    EXPECT_EQ(table.Field(printer, 3), 33);

    EXPECT_EQ(SetKvrMapValue("", "usb001", 66, 1), 0) << "no printer name: the port is the key";
    EXPECT_EQ(table.Field(port, 1), 66);
    EXPECT_EQ(SetKvrMapValue(nullptr, "USB001", 67, 1), 0);
    EXPECT_EQ(table.Field(port, 1), 67);
    EXPECT_EQ(SetKvrMapValue("Unknown", "USB001", 1, 1), -2);
}

TEST(SetKvrMapValueTest, EndMarkerFirstAndTheEmptyKey) {
    Table table(KvrShortTable);
    EXPECT_EQ(SetKvrMapValue("Kestrel_K7", "USB001", 1, 1), -2);
    EXPECT_EQ(SetKvrMapValue("", "", 1, 1), -2);

    // The empty key matches the first free slot before the end marker.
    size_t first = table.Claim("First", 1, 1);
    table.Claim("Second", 1, 2);
    KvrRelease(table.data, table.length, table.geometry, "First", 1);
    EXPECT_EQ(SetKvrMapValue("", "", 77, 3), 0);
    EXPECT_EQ(table.Field(first, 3), 77);
}

TEST(SetKvrMapValueTest, KeyLengthChoosesTheTable) {
    Table shortTable(KvrShortTable);
    Table longTable(KvrLongTable);
    std::string name260(260, 'a');
    std::string name261(261, 'b');
    size_t inShort = shortTable.Claim(name260, 1, 1);
    size_t inLong = longTable.Claim(name261, 1, 1);

    EXPECT_EQ(SetKvrMapValue(name260.c_str(), "", 260, 3), 0);
    EXPECT_EQ(shortTable.Field(inShort, 3), 260);
    EXPECT_EQ(SetKvrMapValue(name261.c_str(), "", 261, 3), 0);
    EXPECT_EQ(longTable.Field(inLong, 3), 261);

    // Longer than a long record holds: refused, and its first 520 characters'
    // record is left alone.
    std::string name520(520, 'c');
    size_t prefix = longTable.Claim(name520, 1, 1);
    EXPECT_EQ(SetKvrMapValue((name520 + "c").c_str(), "", 999, 3), -2);
    EXPECT_EQ(longTable.Field(prefix, 3), 0);
}

TEST(SetKvrMapValueTest, FullTableWithoutTheKeyOrEndMarkerIsOne) {
    Table table(KvrShortTable);
    for (int i = 0; i < 499; ++i)
        table.Claim("P" + std::to_string(i), 1, i + 1);
    EXPECT_EQ(SetKvrMapValue("P498", "", 5, 3), 0);
    EXPECT_EQ(SetKvrMapValue("none", "", 5, 3), -2);
    // cppcheck-suppress unreadVariable ; the mapping is read by SetKvrMapValue
    table.data[499 * KvrShortTable.recordSize] = 'Z'; // the end marker overwritten
    EXPECT_EQ(SetKvrMapValue("none", "", 5, 3), 1);
}

TEST(SetKvrMapValueTest, TableSmallerThanItsFormatIsNotReadPast) {
    Table table(KvrShortTable, 2 * KvrShortTable.recordSize);
    table.Claim("Kestrel_K7", 1, 1);
    // cppcheck-suppress unreadVariable
    table.data[KvrShortTable.recordSize] = 'X'; // no end marker within the mapping
    EXPECT_EQ(SetKvrMapValue("Kestrel_K7", "", 8, 3), 0);
    EXPECT_EQ(SetKvrMapValue("Elsewhere", "", 8, 3), -1);
}

TEST(SetKvrMapValueTest, TableCutShortInsideARecordUsesItsWholeRecords) {
    const size_t rs = KvrShortTable.recordSize;
    Table table(KvrShortTable, 300 * rs + rs / 2);
    for (int i = 0; i < 299; ++i)
        table.Claim("P" + std::to_string(i), 1, i + 1);
    // The end marker (record 299) overwritten by a key; a half record follows.
    // cppcheck-suppress unreadVariable
    table.data[299 * rs] = 'Q';
    EXPECT_EQ(SetKvrMapValue("P298", "", 9, 3), 0);
    EXPECT_EQ(table.Field(298 * rs, 3), 9);
    EXPECT_EQ(SetKvrMapValue("Q", "", 8, 3), 0) << "the last whole record is looked at";
    EXPECT_EQ(table.Field(299 * rs, 3), 8);
    EXPECT_EQ(SetKvrMapValue("Elsewhere", "", 9, 3), -1);
}

} // namespace
