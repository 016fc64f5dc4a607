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
#include "jobs/PmRpcBinding.h"

namespace {

// The caller's buffer sits between guard bytes that must stay untouched, for
// each way of answering wrongly.
TEST(PmClientMisbehavingServer, RepliesStayWithinTheCallersBuffer) {
    PrivateJobStore store;
    ScriptedJob script;
    script.spoolerId = 61;
    script.printer = "RogueQueue";
    script.document = "A document name";
    int32_t job = ScriptJob(script);

    for (const char* mode : {"oversize", "negative", "huge", "unterminated"}) {
        SCOPED_TRACE(mode);
        ServiceProcess rogue;
        ASSERT_TRUE(rogue.Start("pmrogue.exe", mode));
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
        if (std::string(mode) == "oversize") {
            EXPECT_EQ(result, 0);
            EXPECT_EQ(needed, 7) << "a failed call leaves needed as it was";
            EXPECT_EQ(area.buffer[0], 0x5A) << "and the caller's buffer";
        }

        // A size probe has no buffer of the caller's to write into.
        int32_t probeNeeded = 0;
        client.GetJobValue(queue, job, 1, nullptr, 0, &probeNeeded);
        EXPECT_EQ(client.HasJob(queue), 1) << "the connection still works";
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
