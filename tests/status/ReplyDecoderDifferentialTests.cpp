// The decoder against the earlier one kept as reference: the same answer and
// the same record, field by field (a rejected record included), on the fuzz
// seeds, on every cut of them, and on many generated replies near the grammar.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "status/StatusReply.h"
#include "tests/status/ReplyDecoderReference.h"

namespace {

std::string Describe(const PrinterStatus& s) {
    std::string text;
    const auto* bytes = reinterpret_cast<const unsigned char*>(&s);
    for (std::size_t i = 0; i < sizeof s; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X ", bytes[i]);
        text += hex;
    }
    return text;
}

bool SameRecord(const PrinterStatus& a, const PrinterStatus& b) {
    return a.state == b.state && a.error == b.error && a.inkCount == b.inkCount &&
           std::memcmp(a.inkLevel, b.inkLevel, sizeof a.inkLevel) == 0 &&
           a.warningCount == b.warningCount &&
           std::memcmp(a.warning, b.warning, sizeof a.warning) == 0 && a.revision == b.revision &&
           a.tcValue == b.tcValue;
}

// Both decoders on an exact-size heap copy, so that the sanitizer sees any
// read past the end.
void ExpectSame(const std::string& reply) {
    const std::vector<unsigned char> bytes(reply.begin(), reply.end());
    PrinterStatus now, before;
    std::memset(&now, 0xA5, sizeof now);
    std::memset(&before, 0x5A, sizeof before);
    const int rcNow = ParseStatusReply(bytes.data(), bytes.size(), &now);
    const int rcBefore = reference::ParseStatusReply(bytes.data(), bytes.size(), &before);
    ASSERT_EQ(rcNow, rcBefore) << testing::PrintToString(reply);
    ASSERT_TRUE(SameRecord(now, before)) << testing::PrintToString(reply) << "\n now    "
                                         << Describe(now) << "\n before " << Describe(before);
    if (rcNow == 0)
        ASSERT_EQ(StatusNumber(now), StatusNumber(before));
}

// Pieces a reply is made of, right and wrong: fields of every kind, in both
// cases, with good, bad and cut values, more entries than allowed, stray
// bytes, and the terminators.
std::string Piece(std::mt19937& random) {
    static const char* const kPieces[] = {
        "ST:04;",   "st:00;",   "ST:0",  "ST:4;",    "ST:G4;", "ER:05;", "eR:1a;", "ER:;",
        "IQ:",      "iq:",      "WR:",   "wr:",      "RV:A;",  "rv:f;",  "RV:G;",  "RV:",
        "TC:0102;", "tc:abcd;", "TC:01", "TC:0x12;", "XX:1;",  "PC:0A;", "S",      "T",
        ":",        ";",        ",",     "NA",       "na",     "nA",     "00",     "64",
        "65",       "FF",       "c8",    "9G",       "1",      "\x0C",   "\xFF",   "\r\n",
        "I",        "Q",        " "};
    constexpr std::size_t kCount = sizeof kPieces / sizeof kPieces[0];
    std::string piece = kPieces[random() % kCount];
    if (piece == "IQ:" || piece == "iq:") {
        const int entries = static_cast<int>(random() % 9);
        for (int i = 0; i < entries; ++i) {
            static const char* const kInk[] = {"00", "64", "65", "FF", "NA",
                                               "na", "3c", "N",  "G0", "A"};
            piece += kInk[random() % 10];
        }
        if (random() % 4 != 0)
            piece += ';';
    } else if (piece == "WR:" || piece == "wr:") {
        const int codes = static_cast<int>(random() % 13);
        for (int i = 0; i < codes; ++i) {
            static const char* const kCode[] = {"10", "12", "1a", "20", "FF", "1", "G1"};
            piece += kCode[random() % 7];
            if (i + 1 < codes && random() % 3 != 0)
                piece += random() % 8 == 0 ? ",," : ",";
        }
        if (random() % 4 != 0)
            piece += ';';
    }
    return piece;
}

std::string GeneratedReply(std::mt19937& random) {
    std::string reply = random() % 16 == 0 ? "@BDC ST\r" : "@BDC ST\r\n";
    const int pieces = static_cast<int>(random() % 10);
    for (int i = 0; i < pieces; ++i)
        reply += Piece(random);
    switch (random() % 4) {
    case 0:
        reply += '\x0C';
        break;
    case 1:
        reply += '\xFF';
        break;
    case 2:
        reply += static_cast<char>(random() % 256);
        break;
    default:
        break;
    }
    return reply;
}

TEST(ReplyDecoderAgainstReference, SeedsAndEveryCutOfThem) {
    const char* const seeds[] = {"full", "ink_error", "minimal", "mixed", "warnings"};
    for (const char* name : seeds) {
        std::ifstream file(std::string(REPLY_SEED_DIR) + "/" + name, std::ios::binary);
        ASSERT_TRUE(file) << name;
        const std::string seed((std::istreambuf_iterator<char>(file)),
                               std::istreambuf_iterator<char>());
        for (std::size_t n = 0; n <= seed.size(); ++n)
            ExpectSame(seed.substr(0, n));
    }
}

TEST(ReplyDecoderAgainstReference, GeneratedRepliesAndTheirCuts) {
    std::mt19937 random(20261210);
    for (int i = 0; i < 40000; ++i) {
        const std::string reply = GeneratedReply(random);
        ExpectSame(reply);
        ExpectSame(reply.substr(0, random() % (reply.size() + 1)));
        if (HasFatalFailure())
            return;
    }
}

TEST(ReplyDecoderAgainstReference, RandomBytesAfterTheHeader) {
    std::mt19937 random(7);
    const std::string alphabet = "STERIQWRVC:;,0123456789abcdefABCDEFNAna\x0C\xFF";
    for (int i = 0; i < 20000; ++i) {
        std::string reply = "@BDC ST\r\n";
        const int length = static_cast<int>(random() % 40);
        for (int j = 0; j < length; ++j)
            reply += random() % 8 == 0 ? static_cast<char>(random() % 256)
                                       : alphabet[random() % alphabet.size()];
        ExpectSame(reply);
        if (HasFatalFailure())
            return;
    }
}

} // namespace
