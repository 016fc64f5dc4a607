#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "status/StatusReply.h"

namespace {

const std::string kHeader = "@BDC ST\r\n";

// The parser gets a heap block of exactly the reply's size, so that any read
// past the end is caught by the address sanitizer.
int Parse(const std::string& bytes, PrinterStatus& status) {
    std::vector<unsigned char> exact(bytes.begin(), bytes.end());
    return ParseStatusReply(exact.data(), exact.size(), &status);
}

std::string Reply(const std::string& fields, char terminator = '\x0C') {
    return kHeader + fields + terminator;
}

TEST(ParseStatusReply, MinimalReplyAndDefaults) {
    PrinterStatus s;
    ASSERT_EQ(Parse(Reply("ST:04;"), s), 0);
    EXPECT_EQ(s.state, 4);
    EXPECT_EQ(s.error, 0xFF);
    EXPECT_EQ(s.inkCount, 0);
    EXPECT_EQ(s.warningCount, 0);
    EXPECT_EQ(s.revision, 0);
    EXPECT_EQ(s.tcValue, 0xFFFF);
    EXPECT_EQ(StatusNumber(s), 1);
    EXPECT_EQ(Parse(Reply("ST:04;", '\xFF'), s), 0);
}

TEST(ParseStatusReply, TagsIgnoreCaseButTheHeaderDoesNot) {
    PrinterStatus s;
    EXPECT_EQ(Parse(Reply("st:04;eR:1a;"), s), 0);
    EXPECT_EQ(s.error, 0x1A);
    EXPECT_EQ(Parse("@bdc st\r\nST:04;\x0C", s), -1);
    EXPECT_EQ(Parse("@BDC ST\n\nST:04;\x0C", s), -1);
}

TEST(ParseStatusReply, InkLevelsWithUnknownSlotsAndCap) {
    PrinterStatus s;
    ASSERT_EQ(Parse(Reply("ST:00;ER:05;IQ:0032NA1E2864;", '\xFF'), s), 0);
    ASSERT_EQ(s.inkCount, 6);
    const std::uint8_t expected[6] = {0, 50, 0xFF, 30, 40, 100};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(s.inkLevel[i], expected[i]) << i;
    EXPECT_EQ(StatusNumber(s), 2);
    EXPECT_EQ(IndicatorMask(s, 2), 0x40u | 0x100u);

    ASSERT_EQ(Parse(Reply("ST:00;IQ:C8na;"), s), 0);
    EXPECT_EQ(s.inkLevel[0], 100);
    EXPECT_EQ(s.inkLevel[1], 0xFF);
    EXPECT_EQ(s.inkCount, 2);
}

TEST(ParseStatusReply, EntryAndCodeLimits) {
    PrinterStatus s;
    EXPECT_EQ(Parse(Reply("ST:04;IQ:010203040506;"), s), 0);
    EXPECT_EQ(Parse(Reply("ST:04;IQ:01020304050607;"), s), -1);
    EXPECT_EQ(Parse(Reply("ST:04;WR:10,11,12,13,14,15,16,17,18,19;"), s), 0);
    EXPECT_EQ(s.warningCount, 10);
    EXPECT_EQ(s.warning[9], 0x19);
    EXPECT_EQ(Parse(Reply("ST:04;WR:10,11,12,13,14,15,16,17,18,19,1A;"), s), -1);
    // Commas are optional between codes.
    ASSERT_EQ(Parse(Reply("ST:04;WR:1012;"), s), 0);
    EXPECT_EQ(s.warningCount, 2);
    EXPECT_EQ(s.warning[1], 0x12);
}

TEST(ParseStatusReply, MalformedFieldsAreRejected) {
    PrinterStatus s;
    const char* bad[] = {
        "ST:4;",            // one digit
        "ST:G4;",           // not hex
        "ST:04",            // no ';' before the terminator
        "ST:04;ER:05",      // same for another field
        "ST:04;IQ:;",       // empty ink list
        "ST:04;IQ:3Z;",     // bad ink digit
        "ST:04;IQ:303;",    // odd digit count
        "ST:04;WR:;",       // empty warning list
        "ST:04;WR:10,,11;", // two commas
        "ST:04;RV:AB;",     // more than one digit
        "ST:04;RV:G;",      // not hex
        "ST:04;TC:010;",    // three digits
        "ST:04;TC:01G2;",   // not hex
    };
    for (const char* fields : bad)
        EXPECT_EQ(Parse(Reply(fields), s), -1) << fields;
    ASSERT_EQ(Parse(Reply("ST:04;IQ:3Z;"), s), -1);
    EXPECT_EQ(s.inkCount, 0);
}

TEST(ParseStatusReply, RevisionAndCounter) {
    PrinterStatus s;
    ASSERT_EQ(Parse(Reply("RV:A;TC:0102;ST:03;"), s), 0);
    EXPECT_EQ(s.revision, 10);
    EXPECT_EQ(s.tcValue, 0x0102);
    EXPECT_EQ(s.state, 3);
}

TEST(ParseStatusReply, RequiresAStateField) {
    PrinterStatus s;
    EXPECT_EQ(Parse(Reply("ER:00;IQ:10;"), s), -1);
    EXPECT_EQ(Parse(Reply("ST:0;ER:00;"), s), -1);
}

TEST(ParseStatusReply, UnknownFieldsAreSkippedBytewise) {
    PrinterStatus s;
    ASSERT_EQ(Parse(Reply("XX:1;ST:04;"), s), 0);
    EXPECT_EQ(s.state, 4);
    // Zero bytes and stray text between fields are stepped over too.
    ASSERT_EQ(Parse(Reply(std::string("\0\0 ;ST:05;", 10)), s), 0);
    EXPECT_EQ(s.state, 5);
    // A terminator byte inside skipped text ends the reply there.
    EXPECT_EQ(Parse(Reply("XX\x0CST:04;"), s), -1);
}

TEST(ParseStatusReply, LaterFieldOverwritesFromTheFirstSlot) {
    PrinterStatus s;
    ASSERT_EQ(Parse(Reply("ST:00;ER:05;IQ:1020;IQ:30;WR:10,12;WR:20;"), s), 0);
    EXPECT_EQ(s.inkCount, 1);
    EXPECT_EQ(s.inkLevel[0], 0x30);
    EXPECT_EQ(s.inkLevel[1], 0x20); // left from the earlier field
    EXPECT_EQ(s.warningCount, 1);
    EXPECT_EQ(s.warning[0], 0x20);
    EXPECT_EQ(s.warning[1], 0x12);
}

TEST(ParseStatusReply, ShortOrUnterminatedRepliesAreRejected) {
    PrinterStatus s;
    EXPECT_EQ(Parse(kHeader + "ST", s), -1); // 11 bytes
    EXPECT_EQ(Parse(kHeader + "ST:04;", s), -1);
    EXPECT_EQ(ParseStatusReply(nullptr, 20, &s), -1);
    const unsigned char ok[] = "@BDC ST\r\nST:04;\x0C";
    EXPECT_EQ(ParseStatusReply(ok, sizeof ok - 1, nullptr), -1);
}

// Every proper prefix of a well-formed reply lacks its terminator, so each
// must be rejected without a read past its end.
TEST(ParseStatusReply, EveryTruncationIsRejectedWithinBounds) {
    const std::string full =
        Reply("ST:00;ER:05;IQ:0032NA1E2864;WR:10,11;RV:3;TC:ABCD;XX:zz;", '\xFF');
    PrinterStatus s;
    ASSERT_EQ(Parse(full, s), 0);
    for (std::size_t n = 0; n < full.size(); ++n)
        EXPECT_EQ(Parse(full.substr(0, n), s), -1) << n;
}

} // namespace
