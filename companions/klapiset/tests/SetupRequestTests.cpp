// The setup tool's command-line parser and router plan, natively under the
// sanitizers: hostile text must give a defined outcome and nothing else.
#include <gtest/gtest.h>

#include <string>

#include "RouterPlan.h"
#include "SetupRequest.h"

using namespace klapiset;

namespace {

const char kCanonical[] = "C:\\KLAPI\\klapiset.exe /Act=Ch /AN=\"Kestrel_K7\" "
                          "/Ret=WM:0012ABCD;000004C8 /KLP=A:On";

ParseOutcome Parse(const std::string& line, SetupRequest* out = nullptr) {
    SetupRequest r;
    const ParseOutcome o = ParseSetupCommandLine(line, &r);
    if (out)
        *out = r;
    return o;
}

std::vector<RouterSlot> Slots(const std::vector<std::string>& texts) {
    std::vector<RouterSlot> slots(kRouterSlots);
    for (size_t i = 0; i < texts.size(); ++i)
        if (!texts[i].empty())
            slots[i] = RouterSlot{false, texts[i]};
    return slots;
}

} // namespace

TEST(SetupRequestParser, ReadsTheWindowsCommandLine) {
    SetupRequest r;
    ASSERT_EQ(Parse(kCanonical, &r), ParseOutcome::Ok);
    EXPECT_EQ(r.action, "Ch");
    EXPECT_EQ(r.driver, "Kestrel_K7");
    EXPECT_EQ(r.window, 0x0012ABCDu);
    EXPECT_EQ(r.message, 1224u);
    EXPECT_EQ(r.ports, "A:On");
}

TEST(SetupRequestParser, AcceptsHarmlessVariations) {
    const std::string quotedPath = "\"C:\\Program Files\\KLAPI\\klapiset.exe\"";
    const std::string lines[] = {
        quotedPath + " /Act=Ch /AN=\"A B (C)\" /Ret=WM:12abcd;4c8 /KLP=A:On",
        "klapiset.exe   /act=ch\t/an=\"Kestrel_K7\"  /ret=wm:0012ABCD;000004C8 /klp=a:on  ",
        "klapiset.exe /Ret=WM:0012ABCD;000004C8 /KLP=A:On /AN=\"Kestrel_K7\" /Act=Ch",
        "klapiset.exe /Act=Ch /AN=Kestrel_K7 /Ret=WM:0012ABCD;000004C8 /KLP=A:On",
    };
    for (const std::string& line : lines)
        EXPECT_EQ(Parse(line), ParseOutcome::Ok) << line;
    SetupRequest r;
    Parse(lines[0], &r);
    EXPECT_EQ(r.driver, "A B (C)");
}

TEST(SetupRequestParser, BadRequestsWithAUsableAnswerAddress) {
    const std::string ret = " /Ret=WM:0012ABCD;000004C8";
    const std::string lines[] = {
        "k.exe /Act=Xx /AN=\"D\"" + ret + " /KLP=A:On",
        "k.exe /AN=\"D\"" + ret + " /KLP=A:On",
        "k.exe /Act=Ch /AN=\"D\"" + ret,
        "k.exe /Act=Ch /AN=\"\"" + ret + " /KLP=A:On",
        "k.exe /Act=Ch /AN=\"" + std::string(260, 'd') + "\"" + ret + " /KLP=A:On",
        "k.exe /Act=Ch /AN=\"tab\there\"" + ret + " /KLP=A:On",
        "k.exe /Act=Ch /AN=\"D\"" + ret + " /KLP=A:On /Act=Ch",
        "k.exe /Act=Ch /AN=\"D\"" + ret + " /KLP=A:On /Unknown=1",
        "k.exe /Act=Ch /AN=\"D\"" + ret + " /KLP=A:On stray",
        "k.exe /Act=Ch /AN=\"D\"x" + ret + " /KLP=A:On",
        "k.exe /Act" + ret + " /AN=\"D\" /KLP=A:On",
        "k.exe" + ret + " /Act=Ch /KLP=A:On /AN=\"unterminated",
    };
    for (const std::string& line : lines)
        EXPECT_EQ(Parse(line), ParseOutcome::BadRequest) << line;
    SetupRequest r;
    Parse(lines[0], &r);
    EXPECT_EQ(r.window, 0x0012ABCDu) << "the answer still goes back";
    // A driver name of exactly the limit is fine.
    EXPECT_EQ(Parse("k.exe /Act=Ch /AN=\"" + std::string(kMaxDriverName, 'd') + "\"" + ret +
                    " /KLP=A:On"),
              ParseOutcome::Ok);
}

TEST(SetupRequestParser, NoAnswerWithoutAUsableAddress) {
    const std::string rest = " /Act=Ch /AN=\"D\" /KLP=A:On";
    const std::string lines[] = {
        "k.exe" + rest,
        "k.exe /Ret=0012ABCD;000004C8" + rest,
        "k.exe /Ret=WM:0012ABCD" + rest,
        "k.exe /Ret=WM:;000004C8" + rest,
        "k.exe /Ret=WM:0012ABCD;" + rest,
        "k.exe /Ret=WM:00000000;000004C8" + rest,
        "k.exe /Ret=WM:123456789;000004C8" + rest,
        "k.exe /Ret=WM:0012ABCG;000004C8" + rest,
        "k.exe /Ret=WM:0012ABCD;00000010" + rest, // WM_CLOSE
        "k.exe /Ret=WM:0012ABCD;000003FF" + rest,
        "k.exe /Ret=WM:0012ABCD;0000C000" + rest,
        "k.exe /Ret=WM:0012ABCD;000004C8 /Ret=WM:0012ABCD;000004C8" + rest,
        "k.exe /Ret=\"WM:0012ABCD;000004C8" + rest,
        "",
        std::string(kMaxCommandLine + 1, '/'),
    };
    for (const std::string& line : lines) {
        SetupRequest r;
        EXPECT_EQ(Parse(line, &r), ParseOutcome::NoAnswer) << line.substr(0, 80);
        EXPECT_EQ(r.window, 0u);
    }
    EXPECT_EQ(ParseSetupCommandLine(kCanonical, nullptr), ParseOutcome::NoAnswer);
    EXPECT_EQ(Parse("k.exe /?"), ParseOutcome::Help);
}

TEST(SetupRequestParser, SurvivesArbitraryBytes) {
    // Deterministic noise over the canonical line: every outcome is one of the
    // four, and nothing reads outside the text (the sanitizers watch).
    std::string line = kCanonical;
    unsigned seed = 12345;
    for (int round = 0; round < 5000; ++round) {
        std::string mutated = line;
        for (int k = 0; k < 4; ++k) {
            seed = seed * 1103515245u + 12345u;
            const size_t pos = (seed >> 8) % (mutated.size() + 1);
            const char ch = static_cast<char>((seed >> 16) & 0xFF);
            if ((seed >> 24) % 3 == 0 && pos < mutated.size())
                mutated.erase(pos, 1);
            else
                mutated.insert(mutated.begin() + static_cast<long>(pos), ch);
        }
        SetupRequest r;
        const ParseOutcome o = ParseSetupCommandLine(mutated, &r);
        EXPECT_TRUE(o == ParseOutcome::Ok || o == ParseOutcome::BadRequest ||
                    o == ParseOutcome::NoAnswer || o == ParseOutcome::Help);
        if (o == ParseOutcome::Ok) {
            EXPECT_FALSE(r.driver.empty());
            EXPECT_LE(r.driver.size(), kMaxDriverName);
            EXPECT_EQ(r.driver.find('"'), std::string::npos);
        }
        if (o == ParseOutcome::Ok || o == ParseOutcome::BadRequest) {
            EXPECT_NE(r.window, 0u);
            EXPECT_GE(r.message, kFirstAnswerMessage);
            EXPECT_LE(r.message, kLastAnswerMessage);
        }
    }
}

TEST(RouterPlan, KindsFollowTheFirstMatchRule) {
    EXPECT_EQ(KindOf("LPT1:"), PortKind::Lpt);
    EXPECT_EQ(KindOf("lpt"), PortKind::Lpt);
    EXPECT_EQ(KindOf("KlpIp:10.0.0.1"), PortKind::KlpIp);
    EXPECT_EQ(KindOf("ipx"), PortKind::Ipx);
    EXPECT_EQ(KindOf("KLP"), PortKind::None);
    EXPECT_EQ(KindOf("SHARE:LPT1"), PortKind::None);
    EXPECT_EQ(KindOf(""), PortKind::None);
    EXPECT_EQ(SlotName(0), "KLP00");
    EXPECT_EQ(SlotName(99), "KLP99");
}

TEST(RouterPlan, AddsOnlyTheMissingKindsInTheFirstFreeSlots) {
    std::vector<RouterWrite> writes;
    ASSERT_TRUE(PlanRouterUpdate(Slots({"SHARE:x", "", "ipx"}), &writes));
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].slot, 1);
    EXPECT_EQ(KindOf(writes[0].value), PortKind::Lpt);
    EXPECT_EQ(writes[1].slot, 3);
    EXPECT_EQ(KindOf(writes[1].value), PortKind::KlpIp);

    ASSERT_TRUE(PlanRouterUpdate(Slots({"LPT1", "KLPIP", "IPX"}), &writes));
    EXPECT_TRUE(writes.empty());

    ASSERT_TRUE(PlanRouterUpdate(Slots({}), &writes));
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(writes[2].slot, 2);
}

TEST(RouterPlan, AFullRouterGetsNoWrites) {
    std::vector<std::string> full(kRouterSlots, "SHARE:q");
    full[10] = "LPT1";
    std::vector<RouterWrite> writes{{5, "stale"}};
    EXPECT_FALSE(PlanRouterUpdate(Slots(full), &writes));
    EXPECT_TRUE(writes.empty());
    // One free slot but two kinds missing: still nothing is written.
    full[20] = "";
    EXPECT_FALSE(PlanRouterUpdate(Slots(full), &writes));
    EXPECT_TRUE(writes.empty());
}
