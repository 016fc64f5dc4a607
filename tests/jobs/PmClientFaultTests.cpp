// The client against servers that fail: killed, dying inside a call, or
// answering beyond the caller's buffer. A program of its own: Wine's RPC client
// keeps the connection pool of a server whose context handle could not be
// closed, and connections that reuse it later in the same process fail.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>

#include "PmTestSupport.h"
#include "jobs/PmClient.h"
#include "jobs/rpc/PmRpcBinding.h"

namespace {

struct RogueCase {
    const char* mode;
    bool breaksContract; // the reply's array is not the one that was asked for
};

// The caller's buffer sits between guard bytes that must stay untouched, for
// each way of answering wrongly. A reply that breaks the wire contract is
// refused before a byte is copied, and the client stops calling that server:
// a hostile answer must not become a quiet retry.
TEST(PmClientMisbehavingServer, RepliesStayWithinTheCallersBuffer) {
    PrivateJobStore store;
    ScriptedJob script;
    script.spoolerId = 61;
    script.printer = "RogueQueue";
    script.document = "A document name";
    int32_t job = ScriptJob(script);

    // A service dying mid-reply is the dead-server tests' case (and the host
    // suite's): its broken connection would spoil the later ones here.
    const RogueCase cases[] = {{"oversize", true},     {"offset", true},    {"conformance", true},
                               {"far", true},          {"negative", false}, {"huge", false},
                               {"unterminated", false}};
    for (const RogueCase& c : cases) {
        SCOPED_TRACE(c.mode);
        ServiceProcess rogue;
        ASSERT_TRUE(rogue.Start("pmrogue.exe", c.mode));
        PmClient client;
        ASSERT_NE(client.OpenRemote("PRINTSERVER", "vrkit10.dll"), 0u);
        int32_t queue = client.OpenQueue("\\\\PRINTSERVER\\RogueQueue", "USB001", 1, nullptr);
        ASSERT_NE(queue, 0);

        struct {
            unsigned char before[256];
            unsigned char buffer[16];
            unsigned char after[256];
        } area;
        std::memset(&area, 0x5A, sizeof area);
        int32_t needed = 7;
        int32_t result =
            client.GetJobValue(queue, job, 1, area.buffer, sizeof area.buffer, &needed);
        auto untouched = [](const unsigned char* from, const unsigned char* to) {
            return std::all_of(from, to, [](unsigned char b) { return b == 0x5A; });
        };
        ASSERT_TRUE(untouched(std::begin(area.before), std::end(area.before)));
        ASSERT_TRUE(untouched(std::begin(area.after), std::end(area.after)))
            << "the reply ran past the buffer (result " << result << ")";
        if (!c.breaksContract) {
            EXPECT_EQ(client.HasJob(queue), 1) << "the connection still works";
            continue;
        }
        EXPECT_EQ(result, 0);
        EXPECT_EQ(needed, 7) << "a refused reply leaves needed as it was";
        EXPECT_TRUE(untouched(std::begin(area.buffer), std::end(area.buffer)))
            << "and the caller's buffer";
        // A size probe has no buffer of the caller's to write into.
        int32_t probeNeeded = 0;
        EXPECT_EQ(client.GetJobValue(queue, job, 1, nullptr, 0, &probeNeeded), 0);
        EXPECT_EQ(client.HasJob(queue), 0) << "the client stopped calling that server";
        EXPECT_EQ(client.IsJobActive(queue, job), 0);
    }
}

class PmClientDeadServer : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(service.Start()); }

    PrivateJobStore store;
    ServiceProcess service;
};

TEST_F(PmClientDeadServer, ServerKilledMidRunGivesZeroAndTheProcessGoesOn) {
    ScriptedJob script;
    script.spoolerId = 41;
    script.printer = "KillQueue";
    script.sheets = 100;
    int32_t job = ScriptJob(script);

    // Over "ncalrpc" here and over the pipe below, one dead server on each.
    PmClient client;
    ASSERT_NE(client.OpenRemote(PmRpcBinding::LocalComputerName(), "vrkit10.dll"), 0u);
    int32_t queue = client.OpenQueue("\\\\PRINTSERVER\\KillQueue", "USB001", 1, nullptr);
    ASSERT_NE(queue, 0);
    ASSERT_EQ(client.HasJob(queue), 1);

    service.Kill();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(client.HasJob(queue), 0);
        EXPECT_EQ(client.IsJobActive(queue, job), 0);
        int32_t state = -1, needed = 0;
        EXPECT_EQ(client.GetJobValue(queue, job, 101, &state, 4, &needed), 0);
        EXPECT_EQ(state, -1);
    }
    EXPECT_EQ(client.CloseQueue(queue), 0);
    EXPECT_EQ(client.Close(), 0);
}

TEST_F(PmClientDeadServer, ServerDyingInsideTheCallGivesZero) {
    ScriptedJob script;
    script.spoolerId = 51;
    script.printer = "DieQueue";
    ScriptJob(script);

    PmClient client;
    ASSERT_NE(client.OpenRemote("PRINTSERVER", "vrkit10.dll"), 0u);
    int32_t queue = client.OpenQueue("\\\\PRINTSERVER\\DieQueue", "USB001", 1, nullptr);
    ASSERT_EQ(client.HasJob(queue), 1);
    ChangeStore([](StoreHeader& s) { s.dieInOperation = 6; });
    EXPECT_EQ(client.HasJob(queue), 0);
    EXPECT_TRUE(service.Exited());
    EXPECT_EQ(client.GetCurrentJob(queue), 0);
}

} // namespace
