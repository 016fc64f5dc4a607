// What only the remote mode has: the binding rules, the arguments that go over
// the wire, and the client surviving servers that fail or misbehave.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>

#include "PmTestSupport.h"
#include "PrintManager.h"
#include "jobs/PmClient.h"
#include "jobs/PmNames.h"
#include "jobs/rpc/PmRpcBinding.h"
#include "jobs/PmValueKinds.h"
#include "jobs/rpc/SehGuard.h"

namespace {

std::string BindingText(const PmRpcBinding& binding) {
    unsigned char* text = nullptr;
    if (!binding.IsBound() || ::RpcBindingToStringBindingA(binding.Handle(), &text) != RPC_S_OK)
        return "";
    std::string result(reinterpret_cast<char*>(text));
    ::RpcStringFreeA(&text);
    return result;
}

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

TEST(PmRpcBindingTest, FollowsTheAddressRules) {
    std::string local = PmRpcBinding::LocalComputerName();
    ASSERT_FALSE(local.empty());

    PmRpcBinding dot(".", "ncacn_np", PmPipeEndpoint);
    EXPECT_EQ(BindingText(dot), "ncalrpc:");
    PmRpcBinding dotName(".server", "ncacn_np", PmPipeEndpoint);
    EXPECT_EQ(BindingText(dotName), "ncalrpc:");
    PmRpcBinding exact(local.c_str(), "ncacn_np", PmPipeEndpoint);
    EXPECT_EQ(BindingText(exact), "ncalrpc:");

    // The comparison is case-sensitive: another spelling is another server.
    std::string other = Lower(local) != local ? Lower(local) : local + "x";
    PmRpcBinding otherCase(other.c_str(), "ncacn_np", PmPipeEndpoint);
    EXPECT_EQ(BindingText(otherCase), "ncacn_np:" + other + "[\\\\pipe\\\\VORNE_PM_RPC_02]");

    PmRpcBinding defaults("PRINTSERVER", nullptr, nullptr);
    EXPECT_EQ(BindingText(defaults), "ncacn_np:PRINTSERVER[\\\\pipe\\\\VORNE_PM_RPC_02]");
    EXPECT_EQ(PmImplicitBinding, defaults.Handle()) << "each bind becomes the implicit handle";
}

// Wine makes a handle of any string binding; a transport it does not have is
// refused on the first call, and that call must come back as an exception.
TEST(PmRpcBindingTest, ConnectOverARefusedBindingRaisesAndIsCaught) {
    PmRpcBinding binding("PRINTSERVER", "ncacn_nosuch", nullptr);
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(binding.Status()));
    ASSERT_TRUE(binding.IsBound());
    PM_CONTEXT context = nullptr;
    LONG result = -1;
    SehOutcome outcome = CatchStructured([&] { result = PmConnect(&context, "vrkit10.dll"); });
    EXPECT_TRUE(outcome.raised);
    EXPECT_NE(outcome.code, 0u);
    EXPECT_EQ(result, -1);
    EXPECT_EQ(context, nullptr);
}

TEST(PmClientRemoteTest, NoServerMeansNoConnection) {
    PrivateJobStore store;
    for (int attempt = 0; attempt < 3; ++attempt) {
        PmClient client;
        EXPECT_EQ(client.OpenRemote("PRINTSERVER", "vrkit10.dll"), 0u);
        EXPECT_EQ(client.Mode(), 1);
        EXPECT_EQ(client.OpenQueue("Kestrel_K7", "USB001", 1, nullptr), 0);
        EXPECT_EQ(client.HasJob(1), 0);
        EXPECT_EQ(client.Close(), 0);
    }
}

TEST(PmClientRemoteTest, NotEmfOrNotSharedMeansLocal) {
    PrivateJobStore store;
    PmClient local;
    EXPECT_NE(local.Open("vrkit10.dll", "Kestrel_K7", 1), 0u);
    EXPECT_EQ(local.Mode(), 0);
    // No such job in any spooler: not an EMF job.
    PmClient shared;
    EXPECT_NE(shared.Open("vrkit10.dll", "\\\\PRINTSERVER\\Kestrel_K7", 424242), 0u);
    EXPECT_EQ(shared.Mode(), 0);
    PmClient missing;
    EXPECT_EQ(missing.Open("no_such_module.dll", "Kestrel_K7", 1), 0u);
    EXPECT_EQ(missing.Mode(), 0);
}

class PmClientWire : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(service.Start()); }

    std::vector<StoredCall> CallsSince(uint32_t sequence) {
        std::vector<StoredCall> calls;
        ChangeStore([&](StoreHeader& s) {
            for (uint32_t seq = sequence + 1; seq <= s.callSequence; ++seq)
                calls.push_back(s.calls[(seq - 1) % StoreCallCapacity]);
        });
        return calls;
    }
    uint32_t LastCall() {
        uint32_t last = 0;
        ChangeStore([&](const StoreHeader& s) { last = s.callSequence; });
        return last;
    }

    PrivateJobStore store;
    ServiceProcess service;
};

bool IsPlaceholder(const StoredCall& call) {
    return call.count == PmPlaceholderSize &&
           std::memcmp(call.bytes, PmPlaceholder, PmPlaceholderSize) == 0;
}

TEST_F(PmClientWire, SendsTheQueueNameSizesByKindAndPlaceholders) {
    ScriptedJob script;
    script.spoolerId = 31;
    script.printer = "WireQueue";
    script.document = "wire";
    int32_t job = ScriptJob(script);

    PmClient client;
    ASSERT_NE(client.OpenRemote("PRINTSERVER", "vrkit10.dll"), 0u);
    uint32_t mark = LastCall();
    int32_t queue = client.OpenQueue("\\\\PRINTSERVER\\WireQueue", "USB001", 1, nullptr);
    ASSERT_NE(queue, 0);

    uint16_t media[3] = {1, 2, 3};
    int32_t pair[2] = {4, 5};
    int32_t word = 1;
    client.SetJobValue(queue, job, 21, media);
    client.SetJobValue(queue, job, 102, pair);
    client.SetJobValue(queue, job, 201, &word);
    client.SetJobValue(queue, job, 5, &word);     // a kind without a size
    client.SetJobValue(queue, job, 1, "abc");     // a string: length + 1
    client.SetJobValue(queue, job, 201, nullptr); // no value at all
    int32_t needed = 0;
    client.GetJobValue(queue, job, 1, nullptr, 0, &needed); // size probe
    char document[5];
    client.GetJobValue(queue, job, 1, document, sizeof document, &needed);

    std::vector<StoredCall> calls = CallsSince(mark);
    ASSERT_EQ(calls.size(), 9u);
    EXPECT_EQ(calls[0].operation, 4);
    EXPECT_STREQ(calls[0].text, "WireQueue");
    EXPECT_TRUE(IsPlaceholder(calls[0])) << "no queue data goes as the placeholder";

    EXPECT_EQ(calls[1].operation, 11);
    EXPECT_EQ(calls[1].count, 6);
    EXPECT_EQ(std::memcmp(calls[1].bytes, media, 6), 0);
    EXPECT_EQ(calls[2].count, 8);
    EXPECT_EQ(calls[3].count, 4);
    EXPECT_TRUE(IsPlaceholder(calls[4]));
    EXPECT_EQ(calls[5].count, 4);
    EXPECT_EQ(std::memcmp(calls[5].bytes, "abc", 4), 0);
    EXPECT_TRUE(IsPlaceholder(calls[6]));

    EXPECT_EQ(calls[7].operation, 13);
    EXPECT_TRUE(IsPlaceholder(calls[7])) << "a size probe sends the placeholder";
    EXPECT_EQ(needed, 5);
    EXPECT_EQ(calls[8].count, 5);
    EXPECT_STREQ(document, "wire");
}

} // namespace
