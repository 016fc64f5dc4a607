// The monitor window's tables and rules that need no window: what a status
// shows, which pictures an ink state animates, the idle interval, the stored
// position rule and the formatting of resource texts.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <vector>

#include "monitor/DialogTemplateClasses.h"
#include "monitor/IntegerFormat.h"
#include "monitor/StatusDisplay.h"

namespace {

TEST(StatusDisplayTest, EveryStatusNumberHasItsMessageAndPicture) {
    struct Row {
        int status;
        unsigned message;
        int kind;
    };
    const Row rows[] = {
        {0, 2002, 6},   {1, 3004, 1},   {2, 3024, 10},  {3, 3024, 2},   {4, 3024, 8},
        {5, 3012, 3},   {6, 3010, 4},   {7, 10000, 7},  {8, 2002, 6},   {9, 3014, 7},
        {10, 3023, 1},  {11, 3002, 1},  {12, 3018, 10}, {13, 3018, 10}, {14, 3006, 7},
        {15, 3014, 7},  {16, 3025, 7},  {17, 3001, 1},  {18, 3007, 1},  {19, 3026, 1},
        {20, 3018, 10}, {21, 3005, 17}, {22, 3034, 1},  {23, 3036, 1},  {24, 3037, 1},
        {25, 3044, 12}, {26, 3045, 12}, {27, 3046, 13}, {28, 3047, 19}, {29, 3048, 14},
        {30, 3049, 15}, {31, 3050, 16}, {32, 3008, 11}, {33, 3042, 18}, {34, 3043, 3},
        {35, 10000, 7}, {36, 3058, 17}, {37, 10000, 7}, {-5, 10000, 7}, {INT_MAX, 10000, 7},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.status);
        StatusDisplay display = StatusDisplayFor(row.status);
        EXPECT_EQ(display.messageId, row.message);
        EXPECT_EQ(display.pictureKind, row.kind);
    }
}

TEST(StatusDisplayTest, InkLinesNameTheInksOfTheRightGroup) {
    bool alone = true;
    // Ink out names the empty (upper) inks in control order.
    EXPECT_EQ(InkLinesFor(3024, 0x0080 | 0x0400, &alone), (std::vector<int>{1, 4}));
    EXPECT_FALSE(alone);
    // No empty ink known, or all at once: the general ink-out text alone.
    EXPECT_TRUE(InkLinesFor(3024, 0x0003, &alone).empty());
    EXPECT_TRUE(alone);
    EXPECT_TRUE(InkLinesFor(3024, 0x1000 | 0x0080, &alone).empty());
    EXPECT_TRUE(alone);
    // Ink low names the warned (lower) inks; all at once appends nothing.
    EXPECT_EQ(InkLinesFor(3018, 0x0001 | 0x0020 | 0x0040, &alone), (std::vector<int>{0, 5}));
    EXPECT_FALSE(alone);
    EXPECT_TRUE(InkLinesFor(3018, 0x1000 | 0x0001, &alone).empty());
    EXPECT_FALSE(alone);
    EXPECT_TRUE(InkLinesFor(3012, 0x0FFF, &alone).empty());
}

TEST(StatusDisplayTest, PictureListsFollowKindAndInkBits) {
    using Ids = std::vector<unsigned>;
    EXPECT_EQ(PictureIdsForKind(1, 0), Ids{510});
    EXPECT_EQ(PictureIdsForKind(9, 0xFFFF), Ids{510});
    EXPECT_EQ(PictureIdsForKind(14, 0), (Ids{539, 540, 541}));
    EXPECT_EQ(PictureIdsForKind(18, 0), Ids{561});
    EXPECT_EQ(PictureIdsForKind(4, 0), Ids{10000}) << "kind 4 has no pictures of its own";
    EXPECT_EQ(PictureIdsForKind(99, 0), Ids{10000});
    // Ink kinds: one picture per ink whose warning or empty bit is set, fixed order.
    EXPECT_EQ(PictureIdsForKind(2, 0x0082), (Ids{526, 527, 533}));
    EXPECT_EQ(PictureIdsForKind(8, 0x0400 | 0x0008), (Ids{526, 527, 532, 529}));
    const Ids all = {526, 527, 528, 533, 531, 532, 530, 529};
    EXPECT_EQ(PictureIdsForKind(10, 0), all) << "no ink named: all six";
    EXPECT_EQ(PictureIdsForKind(10, 0x1000 | 0x0001), all);
    EXPECT_TRUE(IsInkPictureKind(8) && !IsInkPictureKind(3));
}

TEST(StatusDisplayTest, MediaTypesAndUnknownCodes) {
    EXPECT_EQ(MediaTypeStringId(1), 1562u);
    EXPECT_EQ(MediaTypeStringId(272), 1581u);
    EXPECT_EQ(MediaTypeStringId(263), 1561u);
    EXPECT_EQ(MediaTypeStringId(static_cast<std::int16_t>(0xFFFF)), 1561u);
}

TEST(StatusDisplayTest, IdleIntervalOutsideTwoToSixtyIsTen) {
    EXPECT_EQ(ParseIdleInterval("2"), 2);
    EXPECT_EQ(ParseIdleInterval("60"), 60);
    EXPECT_EQ(ParseIdleInterval("15 seconds"), 15);
    EXPECT_EQ(ParseIdleInterval("1"), 10);
    EXPECT_EQ(ParseIdleInterval("61"), 10);
    EXPECT_EQ(ParseIdleInterval("abc"), 10);
    EXPECT_EQ(ParseIdleInterval(""), 10);
    EXPECT_EQ(ParseIdleInterval(nullptr), 10);
    EXPECT_EQ(ParseIdleInterval("99999999999999999999"), 10) << "no overflow";
}

TEST(StatusDisplayTest, StoredCoordinatesStayOnTheScreen) {
    bool fellBack = false;
    EXPECT_EQ(ChooseStoredCoordinate(100, 7, 1024, 300, &fellBack), 100);
    EXPECT_FALSE(fellBack);
    EXPECT_EQ(ChooseStoredCoordinate(1024, 7, 1024, 300, &fellBack), 1024);
    EXPECT_FALSE(fellBack) << "at most the limit";
    EXPECT_EQ(ChooseStoredCoordinate(1025, 7, 1024, 300, &fellBack), 7);
    EXPECT_TRUE(fellBack);
    EXPECT_EQ(ChooseStoredCoordinate(-300, 7, 1024, 300, &fellBack), -300);
    EXPECT_FALSE(fellBack) << "the right edge is still at 0";
    EXPECT_EQ(ChooseStoredCoordinate(-301, 7, 1024, 300, &fellBack), 7);
    EXPECT_TRUE(fellBack);
    EXPECT_EQ(ChooseStoredCoordinate(0x70000000, 7, 1024, 300, &fellBack), 7);
    EXPECT_EQ(ChooseStoredCoordinate(INT32_MIN, 7, 1024, INT32_MAX, &fellBack), 7)
        << "a sum past 32 bits does not wrap onto the screen";
    EXPECT_TRUE(fellBack);
}

TEST(IntegerFormatTest, OnlyIntegerPlaceholdersAreFilled) {
    EXPECT_EQ(FormatIntegers("Sheet %d of %d", {3, 12}), "Sheet 3 of 12");
    EXPECT_EQ(FormatIntegers("%u%%", {50}), "50%");
    EXPECT_EQ(FormatIntegers("%d %d %d", {1}), "1 0 0") << "missing values give 0";
    EXPECT_EQ(FormatIntegers("%s %n %p %c %f %*d %d", {7}), "%s %n %p %c %f %*d 7")
        << "others are text";
    EXPECT_EQ(FormatIntegers("trailing %", {}), "trailing %");
    EXPECT_EQ(FormatIntegers("%l", {1}), "%l") << "a modifier without a conversion";
    EXPECT_EQ(FormatIntegers(nullptr, {1}), "");
}

// What a resource author may write for an integer, as printf would show it.
TEST(IntegerFormatTest, FlagsWidthPrecisionAndLengthModifiers) {
    struct Case {
        const char* format;
        long long value;
        const char* shown;
    };
    const Case cases[] = {
        {"%ld min", 12, "12 min"},
        {"%2d", 5, " 5"},
        {"%02u", 7, "07"},
        {"%-4d|", 3, "3   |"},
        {"%+d", 3, "+3"},
        {"% d", 3, " 3"},
        {"%05d", -42, "-0042"},
        {"%.3d", 7, "007"},
        {"%5.3d", 7, "  007"},
        {"%.0d", 0, ""},
        {"%lu", 4000000000LL, "4000000000"},
        {"%u", -1, "4294967295"},
        {"%d", 4294967295LL, "-1"},
        {"%hd", 65535, "-1"},
        {"%hhu", 257, "1"},
        {"%lld", -9000000000LL, "-9000000000"},
        {"%I64u", 9000000000LL, "9000000000"},
        {"%I32d", 9, "9"},
        {"%x", 255, "ff"},
        {"%#X", 255, "0XFF"},
        {"%#o", 8, "010"},
        {"%zu", 3, "3"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatIntegers(c.format, {c.value}), c.shown) << c.format;
}

TEST(IntegerFormatTest, OversizedFieldsAreNotPlaceholders) {
    EXPECT_EQ(FormatIntegers("%64d", {1}).size(), 64u);
    EXPECT_EQ(FormatIntegers("%65d", {1}), "%65d");
    EXPECT_EQ(FormatIntegers("%.99999999999d", {1}), "%.99999999999d");
    EXPECT_EQ(FormatIntegers("%2147483648d|%d", {1, 2}), "%2147483648d|1");
}

// A template in the extended layout, built word by word.
class TemplateBytes {
public:
    void Word(unsigned v) {
        bytes.push_back(static_cast<unsigned char>(v & 0xFF));
        bytes.push_back(static_cast<unsigned char>(v >> 8 & 0xFF));
    }
    void Dword(unsigned v) {
        Word(v & 0xFFFF);
        Word(v >> 16);
    }
    void Text(const char* s) {
        for (; *s; ++s)
            Word(static_cast<unsigned char>(*s));
        Word(0);
    }
    void Align() {
        while (bytes.size() % 4)
            bytes.push_back(0);
    }
    std::vector<unsigned char> bytes;
};

std::vector<unsigned char> MonitorLikeTemplate() {
    TemplateBytes t;
    t.Word(1);
    t.Word(0xFFFF);
    t.Dword(0);          // help id
    t.Dword(0);          // extended style
    t.Dword(0x80C800C0); // popup, caption, system menu, DS_SETFONT, DS_MODALFRAME
    t.Word(3);           // items
    for (int i = 0; i < 4; ++i)
        t.Word(10);
    t.Word(0); // no menu
    t.Word(0); // default class
    t.Text("Monitor");
    t.Word(8); // point size
    t.Word(400);
    t.Word(0); // italic, charset
    t.Text("MS Shell Dlg");
    auto item = [&](bool ordinal, const char* className, unsigned extra) {
        t.Align();
        t.Dword(0);
        t.Dword(0);
        t.Dword(0x50000000);
        for (int i = 0; i < 4; ++i)
            t.Word(5);
        t.Dword(314);
        if (ordinal) {
            t.Word(0xFFFF);
            t.Word(0x0082); // static
        } else {
            t.Text(className);
        }
        t.Text("label");
        t.Word(extra);
        for (unsigned i = 0; i < extra; ++i)
            t.bytes.push_back(0xAB);
    };
    item(true, nullptr, 0);
    item(false, "KvrInkLevel", 3);
    item(false, "Edit", 0);
    return t.bytes;
}

TEST(DialogTemplateClassesTest, NamedClassesOfTheControlsAreListed) {
    const std::vector<unsigned char> bytes = MonitorLikeTemplate();
    const std::vector<std::u16string> names = DialogTemplateClassNames(bytes.data(), bytes.size());
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0], u"KvrInkLevel");
    EXPECT_EQ(names[1], u"Edit");
}

TEST(DialogTemplateClassesTest, EveryTruncationStaysWithinTheBytes) {
    const std::vector<unsigned char> bytes = MonitorLikeTemplate();
    for (std::size_t size = 0; size < bytes.size(); ++size) {
        // A copy of exactly that size, so the sanitizer sees any read past it.
        std::vector<unsigned char> cut(bytes.begin(), bytes.begin() + static_cast<long>(size));
        const auto names = DialogTemplateClassNames(cut.data(), cut.size());
        EXPECT_LE(names.size(), 2u);
    }
    EXPECT_TRUE(DialogTemplateClassNames(nullptr, 100).empty());
    std::vector<unsigned char> huge = bytes;
    huge[16] = 0xFF; // claims 65535 items
    huge[17] = 0xFF;
    EXPECT_EQ(DialogTemplateClassNames(huge.data(), huge.size()).size(), 2u);
}

} // namespace
