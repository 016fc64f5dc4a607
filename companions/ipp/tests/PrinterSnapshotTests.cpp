#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "PrinterSnapshot.h"

namespace {

ipp::Message Captured() {
    std::ifstream in(IPP_SEED_DIR "/printer-attributes.bin", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ipp::Message m;
    EXPECT_EQ(ipp::Decode(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), m),
              ipp::DecodeResult::Ok);
    return m;
}

std::string Int(int v) {
    uint32_t u = static_cast<uint32_t>(v);
    return std::string{char(u >> 24), char(u >> 16), char(u >> 8), char(u)};
}

TEST(PrinterSnapshot, InksFromPrinterSupplyOfARealAnswer) {
    // Captured from the test printer: a waste tank and four inks, no marker-* attributes.
    ipp::PrinterSnapshot s;
    ASSERT_TRUE(ipp::ReadPrinterSnapshot(Captured(), s));
    EXPECT_EQ(s.state, 3);
    EXPECT_TRUE(s.reasons.empty());
    EXPECT_EQ(s.makeAndModel, "Vorne Kestrel K7");
    ASSERT_EQ(s.markers.size(), 4u);
    EXPECT_EQ(s.markers[0].name, "Black Ink");
    EXPECT_EQ(s.markers[0].level, 75);
    EXPECT_EQ(s.markers[0].color, "#000000");
    EXPECT_EQ(s.markers[3].level, 67);
}

TEST(PrinterSnapshot, MarkerAttributesWinAndNonInksAreLeftOut) {
    ipp::Message m;
    ipp::Group& g = m.AddGroup(ipp::kPrinterGroup);
    ipp::AddInteger(g, ipp::kTagEnum, "printer-state", 5);
    ipp::Attribute reasons{"printer-state-reasons", {}};
    ipp::AddValue(reasons, ipp::kTagKeyword, "media-jam-error");
    ipp::AddValue(reasons, ipp::kTagKeyword, "marker-supply-low-warning");
    g.attributes.push_back(reasons);
    ipp::Attribute names{"marker-names", {}}, types{"marker-types", {}},
        levels{"marker-levels", {}};
    for (const char* n : {"Black", "Waste", "Cyan"})
        ipp::AddValue(names, ipp::kTagName, n);
    for (const char* t : {"ink-cartridge", "waste-ink", "ink-cartridge"})
        ipp::AddValue(types, ipp::kTagKeyword, t);
    for (int l : {40, 90}) // one level short: the last ink is unknown
        ipp::AddValue(levels, ipp::kTagInteger, Int(l));
    g.attributes.push_back(names);
    g.attributes.push_back(types);
    g.attributes.push_back(levels);

    ipp::PrinterSnapshot s;
    ASSERT_TRUE(ipp::ReadPrinterSnapshot(m, s));
    EXPECT_EQ(s.state, 5);
    ASSERT_EQ(s.reasons.size(), 2u);
    EXPECT_EQ(s.reasons[0], "media-jam");
    EXPECT_EQ(s.reasons[1], "marker-supply-low");
    ASSERT_EQ(s.markers.size(), 2u);
    EXPECT_EQ(s.markers[1].name, "Cyan");
    EXPECT_EQ(s.markers[1].level, -1);
    ASSERT_EQ(s.waste.size(), 1u);
    EXPECT_EQ(s.waste[0].level, 90);
}

TEST(PrinterSnapshot, PrinterSupplyLevelsInUnitsAndWasteBoxes) {
    ipp::Message m;
    ipp::Group& g = m.AddGroup(ipp::kPrinterGroup);
    ipp::Attribute supplies{"printer-supply", {}};
    for (const char* entry :
         {"index=1;class=receptacleThatIsFilled;type=wasteInk;maxcapacity=400;level=20;",
          "index=2;class=supplyThatIsConsumed;type=ink;maxcapacity=1000;level=1;colorantname="
          "black;",
          "index=3;class=supplyThatIsConsumed;type=ink;maxcapacity=1000;level=500;colorantname="
          "cyan;",
          "index=4;class=supplyThatIsConsumed;type=ink;maxcapacity=100;level=-3;colorantname="
          "yellow;",
          "index=5;class=supplyThatIsConsumed;type=toner;level=99999999999;colorantname=magenta;",
          "index=6;class=supplyThatIsConsumed;type=staples;level=0;"})
        ipp::AddValue(supplies, ipp::kTagOctetString, entry);
    g.attributes.push_back(supplies);

    ipp::PrinterSnapshot s;
    ASSERT_TRUE(ipp::ReadPrinterSnapshot(m, s));
    ASSERT_EQ(s.waste.size(), 1u);
    EXPECT_EQ(s.waste[0].level, 5); // room left: 20 of 400
    ASSERT_EQ(s.markers.size(), 4u);
    EXPECT_EQ(s.markers[0].level, 1); // 1 of 1000 is some left, not out
    EXPECT_EQ(s.markers[1].level, 50);
    EXPECT_EQ(s.markers[2].level, -3);
    EXPECT_LT(s.markers[3].level, 0); // a level past 32 bits is no level
}

TEST(PrinterSnapshot, ErrorStatusOrNoPrinterGroupIsNotASnapshot) {
    ipp::PrinterSnapshot s;
    ipp::Message error;
    error.code = 0x0400;
    error.AddGroup(ipp::kPrinterGroup);
    EXPECT_FALSE(ipp::ReadPrinterSnapshot(error, s));
    ipp::Message empty;
    EXPECT_FALSE(ipp::ReadPrinterSnapshot(empty, s));
}

} // namespace
