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

#include "status/StatusReply.h"

namespace {

// What the library makes of each mapped condition: the status number its own
// tables derive from the reply, and the indicator bits that name the inks.
TEST(IppStatusMap, TheLibraryDerivesTheIntendedStatusFromEachReply) {
    struct Case {
        int state;
        std::vector<std::string> reasons;
        std::vector<int> levels;
        int statusNumber;
        uint32_t mask;
    } cases[] = {
        {3, {}, {80, 70, 60, 50, 40, 30}, 1, 0},                         // ready
        {4, {}, {80, 70, 60, 50, 40, 30}, 11, 0},                        // printing
        {5, {"media-needed"}, {80, 70, 60, 50, 40, 30}, 5, 0},           // paper out
        {5, {"media-jam"}, {80, 70, 60, 50, 40, 30}, 30, 0},             // paper jam
        {5, {"cover-open"}, {80, 70, 60, 50, 40, 30}, 32, 0},            // cover open
        {5, {"marker-supply-missing"}, {80, 70, 60, 50, 40, 30}, 27, 0}, // cartridge
        {5, {"media-path-failure"}, {80, 70, 60, 50, 40, 30}, 31, 0},    // head stuck
        {5, {"fuser-failure"}, {80, 70, 60, 50, 40, 30}, 14, 0},         // service
        {5, {"other"}, {80, 70, 60, 50, 40, 30}, 9, 0},                  // error
        {5, {"paused"}, {80, 70, 60, 50, 40, 30}, 21, 0},                // offline
        {5, {"shutdown"}, {80, 70, 60, 50, 40, 30}, 24, 0},              // turning off
        {3, {"marker-waste-full"}, {80, 70, 60, 50, 40, 30}, 33, 0},     // ink pad
        // Ink out: magenta (slot 2) empty; only slot 2's "empty" bit is set.
        {5, {"marker-supply-empty"}, {80, 70, 0, 50, 40, 30}, 4, 0x100},
        // Ink out of black alone: slot 0 empty, the others not.
        {5, {"marker-supply-empty"}, {0, 70, 60, 50, 40, 30}, 3, 0x40},
        // Ink low, cyan: warning 0x11 first.
        {4, {"marker-supply-low"}, {80, 15, 60, 50, 40, 30}, 13, 0x02},
        // Ink low, black and yellow: black first and another after it.
        {3, {"marker-supply-low"}, {10, 70, 60, 12, 40, 30}, 20, 0x09},
    };
    for (const Case& c : cases) {
        std::string reply = Reply(SixInks(c.state, c.reasons, c.levels));
        PrinterStatus status;
        ASSERT_EQ(ParseStatusReply(reinterpret_cast<const unsigned char*>(reply.data()),
                                   reply.size(), &status),
                  0)
            << reply;
        int number = StatusNumber(status);
        EXPECT_EQ(number, c.statusNumber) << reply;
        EXPECT_EQ(IndicatorMask(status, number) & 0xFFF, c.mask) << reply;
    }
}

} // namespace

namespace {

// A Get-Printer-Attributes answer with these reasons and marker lists, read
// the way the backend reads it.
struct Answer {
    std::vector<std::string> reasons;
    std::vector<std::string> names, colors, types;
    std::vector<int> levels, lows;
};

ipp::PrinterSnapshot Read(const Answer& a) {
    ipp::Message m;
    ipp::Group& g = m.AddGroup(ipp::kPrinterGroup);
    ipp::AddInteger(g, ipp::kTagEnum, "printer-state", 3);
    auto strings = [&g](const char* name, uint8_t tag, const std::vector<std::string>& values) {
        if (values.empty())
            return;
        ipp::Attribute attribute{name, {}};
        for (const std::string& v : values)
            ipp::AddValue(attribute, tag, v);
        g.attributes.push_back(attribute);
    };
    auto integers = [&g](const char* name, const std::vector<int>& values) {
        if (values.empty())
            return;
        ipp::Attribute attribute{name, {}};
        for (int v : values) {
            uint32_t u = static_cast<uint32_t>(v);
            ipp::AddValue(attribute, ipp::kTagInteger,
                          std::string{char(u >> 24), char(u >> 16), char(u >> 8), char(u)});
        }
        g.attributes.push_back(attribute);
    };
    strings("printer-state-reasons", ipp::kTagKeyword, a.reasons);
    strings("marker-names", ipp::kTagName, a.names);
    strings("marker-colors", ipp::kTagName, a.colors);
    strings("marker-types", ipp::kTagKeyword, a.types);
    integers("marker-levels", a.levels);
    integers("marker-low-levels", a.lows);
    ipp::PrinterSnapshot s;
    EXPECT_TRUE(ipp::ReadPrinterSnapshot(m, s));
    return s;
}

struct Shown {
    std::string reply;
    int number = -1;
    uint32_t mask = 0;
};

// The reply, and what the library makes of it.
Shown Show(const ipp::PrinterSnapshot& s) {
    Shown out;
    out.reply = Reply(s);
    PrinterStatus status;
    EXPECT_EQ(ParseStatusReply(reinterpret_cast<const unsigned char*>(out.reply.data()),
                               out.reply.size(), &status),
              0)
        << out.reply;
    out.number = StatusNumber(status);
    out.mask = IndicatorMask(status, out.number) & 0x1FFF;
    return out;
}

const std::vector<std::string> kFourNames = {"Black", "Cyan", "Magenta", "Yellow"};
const std::vector<std::string> kFourInks = {"ink-cartridge", "ink-cartridge", "ink-cartridge",
                                            "ink-cartridge"};

Answer FourInksAndAWasteBox(std::vector<std::string> reasons, const std::string& wasteType,
                            int wasteLevel) {
    Answer a;
    a.reasons = std::move(reasons);
    a.names = kFourNames;
    a.names.push_back("Maintenance Box");
    a.types = kFourInks;
    a.types.push_back(wasteType);
    a.levels = {80, 70, 60, 50, wasteLevel};
    a.lows = {15, 15, 15, 15, -1};
    return a;
}

TEST(IppSupplies, AWasteBoxIsNeverAnInkRunningOut) {
    struct Case {
        const char* name;
        std::vector<std::string> reasons;
        const char* type;
        int level; // space left in the box
        std::string reply;
        int number;
    } cases[] = {
        {"box with room", {}, "waste-ink", 50, "ST:04;IQ:50463C326464;", 1},
        {"box nearly full", {}, "waste-ink", 8, "ST:04;IQ:50463C326464;WR:20;", 33},
        {"toner box full", {}, "waste-toner", 0, "ST:04;IQ:50463C326464;WR:20;", 33},
        // The printer says a supply is empty or low; no ink is, the box is.
        {"empty means the box",
         {"marker-supply-empty-error"},
         "waste-ink",
         0,
         "ST:04;IQ:50463C326464;WR:20;",
         33},
        {"low means the box",
         {"marker-supply-low-warning"},
         "waste-ink",
         5,
         "ST:04;IQ:50463C326464;WR:20;",
         33},
        {"the reason alone",
         {"marker-waste-almost-full-warning"},
         "waste-ink",
         -2,
         "ST:04;IQ:50463C326464;WR:20;",
         33},
        {"box unknown", {}, "waste-ink", -3, "ST:04;IQ:50463C326464;", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ipp::PrinterSnapshot s = Read(FourInksAndAWasteBox(c.reasons, c.type, c.level));
        EXPECT_EQ(s.markers.size(), 4u);
        EXPECT_EQ(s.waste.size(), 1u);
        Shown shown = Show(s);
        EXPECT_EQ(shown.reply, "@BDC ST\r\n" + c.reply + "\x0C");
        EXPECT_EQ(shown.number, c.number);
    }
}

TEST(IppSupplies, UnknownLevelsReadNAAndAreNeverNamedAsOut) {
    Answer a;
    a.names = kFourNames;
    a.types = kFourInks;
    a.levels = {-1, -2, -3, 40};
    ipp::PrinterSnapshot s = Read(a);
    EXPECT_EQ(Show(s).reply, "@BDC ST\r\nST:04;IQ:NANANA286464;\x0C");
    EXPECT_EQ(Show(s).number, 1);

    // Yellow is out; the inks of unknown level are not named with it.
    a.reasons = {"marker-supply-empty-error"};
    a.levels = {-1, -2, -3, 0};
    Shown out = Show(Read(a));
    EXPECT_EQ(out.number, 4);
    EXPECT_EQ(out.mask, 0x200u) << out.reply;

    // Out, but no level known at all: no levels are sent rather than six empties.
    a.levels = {-2, -2, -3, -1};
    out = Show(Read(a));
    EXPECT_EQ(out.reply, "@BDC ST\r\nST:00;ER:05;\x0C");
    EXPECT_EQ(out.number, 2);
    EXPECT_EQ(out.mask, 0x1000u);

    // Low with unknown levels names only a known one.
    a.reasons = {"marker-supply-low-warning"};
    a.levels = {-3, 12, -2, 60};
    a.lows = {15, 15, 15, 15};
    out = Show(Read(a));
    EXPECT_EQ(out.reply, "@BDC ST\r\nST:04;IQ:NA0CNA3C6464;WR:11;\x0C");
    EXPECT_EQ(out.number, 13);
}

TEST(IppSupplies, ListsOfUnequalLengthAreReadAsFarAsTheNamesGo) {
    Answer a;
    a.names = {"Black", "Cyan", "Magenta"};
    a.colors = {"#000000"};
    a.types = {"ink-cartridge"};       // the rest count as inks
    a.levels = {40, 30};               // magenta's level is missing
    a.lows = {15, 15, 15, 15, 15, 15}; // more marks than markers
    ipp::PrinterSnapshot s = Read(a);
    ASSERT_EQ(s.markers.size(), 3u);
    EXPECT_EQ(s.markers[2].level, -1);
    EXPECT_EQ(Show(s).reply, "@BDC ST\r\nST:04;IQ:281ENA646464;\x0C");

    // More levels than names: the extra ones belong to nothing.
    a.levels = {40, 30, 20, 0, 0, 0};
    EXPECT_EQ(Show(Read(a)).reply, "@BDC ST\r\nST:04;IQ:281E14646464;\x0C");
}

TEST(IppSupplies, MoreThanSixInksShareTheSlotsOfTheirColour) {
    Answer a;
    a.names = {"Photo Black", "Cyan",          "Magenta",     "Yellow",
               "Light Cyan",  "Light Magenta", "Matte Black", "Gray"};
    a.types.assign(8, "ink-cartridge");
    a.levels = {70, 60, 50, 40, 30, 20, 0, 90};
    a.reasons = {"marker-supply-empty-error"};
    // The second black is the one that is out: the black slot shows it.
    Shown out = Show(Read(a));
    EXPECT_EQ(out.reply, "@BDC ST\r\nST:00;ER:05;IQ:003C32281E14;\x0C");
    EXPECT_EQ(out.number, 3);
    EXPECT_EQ(out.mask, 0x40u);

    // An ink beyond the six slots is out: no shown ink is blamed for it.
    a.levels = {70, 60, 50, 40, 30, 20, 10, 0};
    out = Show(Read(a));
    EXPECT_EQ(out.reply, "@BDC ST\r\nST:00;ER:05;IQ:0A3C32281E14;\x0C");
    EXPECT_EQ(out.mask, 0u);
}

TEST(IppSupplies, TheMostSevereReasonWins) {
    struct Case {
        std::vector<std::string> reasons;
        const char* fields;
    } cases[] = {
        // A report gives way to an error listed after it.
        {{"cover-open-report", "media-jam-error"}, "ST:00;ER:03;"},
        // A warning beats a report, whatever the table's order.
        {{"cover-open-report", "media-empty-warning"}, "ST:00;ER:06;"},
        // Alike in severity (no suffix is an error): the table's order.
        {{"media-jam", "cover-open-error"}, "ST:00;ER:02;"},
        // A lone report still says what the printer reports.
        {{"media-needed-report"}, "ST:00;ER:06;"},
        {{"paused-report", "shutdown-warning"}, "ST:0A;"},
        // Warnings add up under the decisive reason.
        {{"marker-supply-low-report", "marker-waste-almost-full-warning", "media-jam-error"},
         "ST:00;ER:03;"},
    };
    for (const Case& c : cases) {
        Answer a;
        a.reasons = c.reasons;
        a.names = kFourNames;
        a.types = kFourInks;
        a.levels = {80, 10, 60, 50};
        a.lows = {15, 15, 15, 15};
        std::string reply = Show(Read(a)).reply;
        EXPECT_EQ(reply.rfind(std::string("@BDC ST\r\n") + c.fields, 0), 0u)
            << c.reasons[0] << " -> " << reply;
    }
    Answer a;
    a.reasons = {"marker-supply-low-report", "marker-waste-almost-full-warning", "media-jam-error"};
    a.names = kFourNames;
    a.types = kFourInks;
    a.levels = {80, 10, 60, 50};
    a.lows = {15, 15, 15, 15};
    EXPECT_EQ(Show(Read(a)).reply, "@BDC ST\r\nST:00;ER:03;IQ:500A3C326464;WR:20,11;\x0C");
}

} // namespace
