#include <gtest/gtest.h>

#include "IppStatusMap.h"

namespace {

ipp::PrinterSnapshot SixInks(int state, std::vector<std::string> reasons,
                             std::vector<int> levels = {80, 70, 60, 50, 40, 30}) {
    ipp::PrinterSnapshot s;
    s.state = state;
    s.reasons = std::move(reasons);
    s.makeAndModel = "Vorne Kestrel K7";
    const char* names[] = {"Black", "Cyan", "Magenta", "Yellow", "Light Cyan", "Light Magenta"};
    for (std::size_t i = 0; i < levels.size() && i < 6; ++i)
        s.markers.push_back(ipp::Marker{names[i], "", "ink-cartridge", levels[i], 15});
    return s;
}

std::string Reply(const ipp::PrinterSnapshot& s) {
    return ipp::FormatReply(ipp::MapSnapshot(s));
}

TEST(IppStatusMap, EachConditionGivesItsReply) {
    const std::string head = "@BDC ST\r\n";
    const std::string inks = "IQ:50463C32281E;";
    struct Case {
        int state;
        std::vector<std::string> reasons;
        std::string fields;
    } cases[] = {
        {3, {}, "ST:04;" + inks},
        {4, {}, "ST:03;" + inks},
        {5, {"media-empty"}, "ST:00;ER:06;" + inks},
        {5, {"media-needed"}, "ST:00;ER:06;" + inks},
        {5, {"media-jam"}, "ST:00;ER:03;" + inks},
        {5, {"cover-open"}, "ST:00;ER:02;" + inks},
        {5, {"door-open"}, "ST:00;ER:02;" + inks},
        {5, {"marker-supply-missing"}, "ST:00;ER:14;" + inks},
        {5, {"media-path-failure"}, "ST:00;ER:16;" + inks},
        {5, {"fuser-failure"}, "ST:00;ER:00;" + inks},
        {5, {"other"}, "ST:00;ER:0F;" + inks},
        {5, {"paused"}, "ST:05;" + inks},
        {5, {"offline"}, "ST:05;" + inks},
        {5, {"shutdown"}, "ST:0A;" + inks},
        {3, {"marker-waste-almost-full"}, "ST:04;" + inks + "WR:20;"},
        {3, {"unknown-reason"}, "ST:04;" + inks},
        // Precedence: the cover before the paper, warnings on top of an error.
        {5, {"media-empty", "cover-open", "marker-waste-full"}, "ST:00;ER:02;" + inks + "WR:20;"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Reply(SixInks(c.state, c.reasons)), head + c.fields + "\x0C")
            << c.reasons.size() << " " << (c.reasons.empty() ? "" : c.reasons[0]);
}

TEST(IppStatusMap, LowAndEmptyInksAreNamedBySlot) {
    // Cyan at its low level, light magenta below it.
    ipp::PrinterSnapshot low = SixInks(4, {"marker-supply-low"}, {80, 15, 60, 50, 40, 5});
    EXPECT_EQ(Reply(low), "@BDC ST\r\nST:03;IQ:500F3C322805;WR:11,15;\x0C");
    // Low reported without any ink at its low level: the emptiest is named.
    ipp::PrinterSnapshot vague = SixInks(3, {"marker-supply-low"}, {80, 70, 60, 20, 40, 30});
    EXPECT_EQ(Reply(vague), "@BDC ST\r\nST:04;IQ:50463C14281E;WR:13;\x0C");
    // Out: the empty slot reads 0.
    ipp::PrinterSnapshot out = SixInks(5, {"marker-supply-empty"}, {80, 70, 0, 50, 40, 30});
    EXPECT_EQ(Reply(out), "@BDC ST\r\nST:00;ER:05;IQ:50460032281E;\x0C");
    // Out without an ink at 0: the emptiest is set to 0.
    ipp::PrinterSnapshot outVague = SixInks(5, {"marker-supply-empty"}, {80, 70, 3, 50, 40, 30});
    EXPECT_EQ(Reply(outVague), "@BDC ST\r\nST:00;ER:05;IQ:50460032281E;\x0C");
}

TEST(IppStatusMap, InksFindTheirSlotsByColourAndUnknownLevelsReadNA) {
    ipp::PrinterSnapshot s;
    s.state = 3;
    s.markers = {{"Yellow Ink", "", "ink", 40, -1},
                 {"Black Ink", "", "ink", -1, -1},
                 {"Cyan", "#00FFFF", "ink", 30, -1},
                 {"Magenta", "", "ink", 20, -1}};
    // A four-ink printer: the two light slots it lacks read as full.
    EXPECT_EQ(Reply(s), "@BDC ST\r\nST:04;IQ:NA1E14286464;\x0C");
    int slot[ipp::kInkSlots];
    ipp::AssignInkSlots(s, slot);
    EXPECT_EQ(slot[0], 1);
    EXPECT_EQ(slot[3], 0);
    EXPECT_EQ(slot[4], -1);
    // No inks at all: no "IQ:" field.
    ipp::PrinterSnapshot none;
    none.state = 3;
    EXPECT_EQ(Reply(none), "@BDC ST\r\nST:04;\x0C");
}

TEST(IppStatusMap, DeviceIdCarriesTheModelWithoutSeparators) {
    ipp::PrinterSnapshot s;
    s.makeAndModel = "Vorne Kestrel K7";
    EXPECT_EQ(ipp::MakeDeviceId(s),
              "MFG:Vorne;MDL:Vorne Kestrel K7;CMD:IPP;CLS:PRINTER;DES:Vorne Kestrel K7;");
    s.makeAndModel = "Evil;MDL:Other";
    EXPECT_EQ(ipp::MakeDeviceId(s).find(";MDL:Other"), std::string::npos);
}

} // namespace
