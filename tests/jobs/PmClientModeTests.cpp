// The print manager answers the same in-process and over RPC: one test body,
// run against the module and against the service by both of its transports.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "JobTimeline.h"
#include "PmTestSupport.h"
#include "jobs/PmClient.h"
#include "jobs/rpc/PmRpcBinding.h"
#include "jobs/PmValueKinds.h"

namespace {

enum class Mode { Local, RemotePipe, RemoteLocalRpc };

std::string ModeName(const testing::TestParamInfo<Mode>& info) {
    switch (info.param) {
    case Mode::Local:
        return "Local";
    case Mode::RemotePipe:
        return "RemotePipe";
    case Mode::RemoteLocalRpc:
        return "RemoteLocalRpc";
    }
    return "?";
}

class PmClientModes : public testing::TestWithParam<Mode> {
protected:
    static void SetUpTestSuite() {
        store = new PrivateJobStore;
        service = new ServiceProcess;
        serviceStarted = service->Start();
    }
    static void TearDownTestSuite() {
        EXPECT_TRUE(service->Stop()) << "the service did not stop on its stop event";
        delete service;
        delete store;
    }

    void SetUp() override { ASSERT_TRUE(serviceStarted); }

    uintptr_t Connect(PmClient& client) {
        switch (GetParam()) {
        case Mode::Local:
            return client.OpenLocal("vrkit10.dll");
        case Mode::RemotePipe:
            // Any other server name goes to the named pipe.
            return client.OpenRemote("PRINTSERVER", "vrkit10.dll");
        case Mode::RemoteLocalRpc:
            return client.OpenRemote(PmRpcBinding::LocalComputerName(), "vrkit10.dll");
        }
        return 0;
    }

    static PrivateJobStore* store;
    static ServiceProcess* service;
    static bool serviceStarted;
};

PrivateJobStore* PmClientModes::store = nullptr;
ServiceProcess* PmClientModes::service = nullptr;
bool PmClientModes::serviceStarted = false;

// A job that stands still: paused at once, one hour per sheet.
int32_t FrozenJob(const std::string& printer, int32_t spoolerId) {
    ScriptedJob job;
    job.spoolerId = spoolerId;
    job.printer = printer;
    job.document = "Quarterly report.pdf";
    job.sheets = 10;
    job.msPerSheet = 3600000;
    job.copies = 2;
    job.mediaType = 258;
    job.paperSize = 11;
    job.transitionMs = 0;
    int32_t number = ScriptJob(job);
    ChangeStore([&](StoreHeader& s) {
        uint64_t now = JobStore::NowMs();
        AdvanceJobs(s.jobs, StoreJobCapacity, now);
        ApplyJobCommand(*FindJobByNumber(s, number), 1, now);
    });
    return number;
}

TEST_P(PmClientModes, AnswersTheScriptedJobs) {
    std::string printer = "ModeQueue" + ModeName({GetParam(), 0});
    int32_t first = FrozenJob(printer, 7001);
    ScriptedJob waiting;
    waiting.spoolerId = 7002;
    waiting.printer = printer;
    waiting.document = "Second";
    waiting.sheets = 2;
    int32_t second = ScriptJob(waiting);
    ASSERT_TRUE(first && second);

    PmClient client;
    ASSERT_NE(Connect(client), 0u);
    EXPECT_EQ(client.Mode(), GetParam() == Mode::Local ? 0 : 1);

    // A network name reaches the service as the queue name alone.
    std::string asked = GetParam() == Mode::Local ? printer : "\\\\PRINTSERVER\\" + printer;
    int32_t queue = client.OpenQueue(asked.c_str(), "USB001", 1, nullptr);
    ASSERT_NE(queue, 0);
    EXPECT_EQ(client.HasJob(queue), 2);
    ASSERT_EQ(client.GetCurrentJob(queue), first);

    int32_t value = 0, needed = -5;
    EXPECT_EQ(client.GetJobValue(queue, first, PmKind::SpoolerJobId, &value, 4, &needed), 1);
    EXPECT_EQ(value, 7001);
    EXPECT_EQ(needed, 4);

    needed = 0;
    EXPECT_EQ(client.GetJobValue(queue, first, PmKind::Document, nullptr, 0, &needed), 0);
    ASSERT_EQ(needed, 21);
    char document[21];
    std::memset(document, 'x', sizeof document);
    EXPECT_EQ(client.GetJobValue(queue, first, PmKind::Document, document, 21, &needed), 1);
    EXPECT_STREQ(document, "Quarterly report.pdf");
    // Too small a buffer fails and keeps the caller's bytes.
    char small[8] = "keep";
    EXPECT_EQ(client.GetJobValue(queue, first, PmKind::Document, small, 8, &needed), 0);
    EXPECT_EQ(needed, 21);
    EXPECT_STREQ(small, "keep");

    uint16_t media[3] = {};
    EXPECT_EQ(client.GetJobValue(queue, first, PmKind::Media, media, 6, &needed), 1);
    EXPECT_EQ(media[0], 2);
    EXPECT_EQ(media[1], 258);
    EXPECT_EQ(media[2], 11);

    int32_t state = 0;
    EXPECT_EQ(client.GetJobValue(queue, first, PmKind::State, &state, 4, &needed), 1);
    EXPECT_EQ(state, JobBits::Printing | JobBits::Paused);
    int32_t pair[2] = {-1, -1};
    EXPECT_EQ(client.GetJobValue(queue, first, PmKind::Sheets, pair, 8, &needed), 1);
    EXPECT_EQ(pair[0], 0);
    EXPECT_EQ(pair[1], 10);
    EXPECT_EQ(client.GetJobValue(queue, first, PmKind::Progress, pair, 8, &needed), 1);
    EXPECT_EQ(pair[0], 0);
    EXPECT_EQ(pair[1], 1000);
    EXPECT_EQ(client.GetJobValue(queue, first, PmKind::TimeLeft, &value, 4, &needed), 1);
    EXPECT_EQ(value, 36000);

    // The job behind it waits: no time left known yet.
    EXPECT_EQ(client.GetJobValue(queue, second, PmKind::State, &state, 4, &needed), 1);
    EXPECT_EQ(state, JobBits::Waiting);
    EXPECT_EQ(client.GetJobValue(queue, second, PmKind::TimeLeft, &value, 4, &needed), 0);

    EXPECT_EQ(client.IsJobActive(queue, first), 1);
    EXPECT_EQ(client.IsJobActive(queue, 999999), 0);
    EXPECT_EQ(client.BeginJobWatch(queue, first), 1);

    // Commands: restart the paused job, then cancel it; the next one starts.
    int32_t command = PmCommand::Restart;
    EXPECT_EQ(client.SetJobValue(queue, first, PmKind::Command, &command), 1);
    EXPECT_EQ(client.GetJobValue(queue, first, PmKind::State, &state, 4, &needed), 1);
    EXPECT_EQ(state, JobBits::Printing);
    EXPECT_EQ(client.SetJobValue(queue, first, PmKind::Command, &command), 0); // not paused
    command = PmCommand::Cancel;
    EXPECT_EQ(client.SetJobValue(queue, first, PmKind::Command, &command), 1);
    EXPECT_EQ(client.IsJobActive(queue, first), 0);
    EXPECT_EQ(client.EndJobWatch(queue, first), 1);
    EXPECT_EQ(client.GetCurrentJob(queue), second);
    EXPECT_EQ(client.GetJobValue(queue, second, PmKind::State, &state, 4, &needed), 1);
    EXPECT_EQ(state, JobBits::Printing);
    EXPECT_EQ(client.HasJob(queue), 1);

    // A kind without a value is refused in both modes.
    EXPECT_EQ(client.SetJobValue(queue, second, 5, &command), 0);

    EXPECT_EQ(client.CloseQueue(queue), 1);
    EXPECT_EQ(client.Close(), 1);

    ChangeStore([&](StoreHeader& s) {
        StoredJob* job = FindJobByNumber(s, first);
        EXPECT_EQ(job->watchBegins, 1u);
        EXPECT_EQ(job->watchEnds, 1u);
        EXPECT_EQ(job->lastCommand, PmCommand::Cancel);
        EXPECT_EQ(job->commandCount, 3u);
    });
}

INSTANTIATE_TEST_SUITE_P(Modes, PmClientModes,
                         testing::Values(Mode::Local, Mode::RemotePipe, Mode::RemoteLocalRpc),
                         ModeName);

} // namespace
