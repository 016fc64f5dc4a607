#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "device/KLApiBinding.h"
#include "tests/common/SimTestSupport.h"

using simtest::SimulatedPrinter;

namespace {

const std::string kReply = std::string("@BDC ST\r\nST:04;\x0C", 15);

std::string Packed(std::initializer_list<std::array<int, 3>> entries) {
    std::string bytes;
    for (const auto& e : entries) {
        char entry[8];
        std::memcpy(entry, &e[0], 4);
        unsigned short flags = static_cast<unsigned short>(e[1]);
        unsigned short value = static_cast<unsigned short>(e[2]);
        std::memcpy(entry + 4, &flags, 2);
        std::memcpy(entry + 6, &value, 2);
        bytes.append(entry, 8);
    }
    return bytes;
}

class Simulator : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(klapi.IsInitialized(), 1); }

    int Open(const char* name, int id = 4) { return klapi.KLOpenChannel(1, name, id); }

    SimulatedPrinter printer{"PqifTest_Sim"};
    KLApiBinding klapi;
};

TEST_F(Simulator, DeviceIdFollowsTheSizeProbe) {
    int size = 0;
    ASSERT_EQ(klapi.KLGetDeviceID(1, printer.name(), nullptr, &size), KL_BUFFER_TOO_SMALL);
    std::string expected = simstore::DefaultDeviceId(simstore::DefaultModel);
    ASSERT_EQ(size, static_cast<int>(expected.size() + 1));

    std::vector<char> small(static_cast<size_t>(size - 1), 'x');
    int smallSize = size - 1;
    EXPECT_EQ(klapi.KLGetDeviceID(1, printer.name(), small.data(), &smallSize),
              KL_BUFFER_TOO_SMALL);
    EXPECT_EQ(smallSize, size);
    EXPECT_EQ(std::string(small.begin(), small.end()), std::string(small.size(), 'x'));

    std::vector<char> buffer(static_cast<size_t>(size));
    EXPECT_GE(klapi.KLGetDeviceID(1, printer.name(), buffer.data(), &size), 0);
    EXPECT_STREQ(buffer.data(), expected.c_str());
}

TEST_F(Simulator, PrinterNamesMatchWithoutCaseAndWithBackslashesAsSlashes) {
    SimulatedPrinter remote("\\\\server\\PqifTest_Queue");
    int size = 0;
    EXPECT_EQ(klapi.KLGetDeviceID(1, "\\\\SERVER\\pqiftest_queue", nullptr, &size),
              KL_BUFFER_TOO_SMALL);
    EXPECT_EQ(klapi.KLGetDeviceID(0, "PQIFTEST_SIM", nullptr, &size), KL_BUFFER_TOO_SMALL);
    EXPECT_EQ(klapi.KLGetDeviceID(1, "PqifTest_Absent", nullptr, &size), KL_FAILURE);
    EXPECT_EQ(klapi.KLGetDeviceID(1, "", nullptr, &size), KL_FAILURE);
    EXPECT_EQ(klapi.KLGetDeviceID(1, nullptr, nullptr, &size), KL_FAILURE);
}

TEST_F(Simulator, ChannelListProbesAndCountsWholeEntries) {
    std::string list = Packed({{4, 0x0004, 1}, {0x10010003, 0x8004, 2}});
    printer->SetBytes(simstore::ChannelsValue, list + "abc"); // a torn trailing entry is dropped
    int size = 0;
    ASSERT_EQ(klapi.KLGetAvailableChannel(1, printer.name(), nullptr, &size), KL_BUFFER_TOO_SMALL);
    ASSERT_EQ(size, 16);
    std::vector<char> buffer(static_cast<size_t>(size) + 1, '\x5A');
    EXPECT_EQ(klapi.KLGetAvailableChannel(1, printer.name(), buffer.data(), &size), 2);
    EXPECT_EQ(std::string(buffer.data(), 16), list);
    EXPECT_EQ(buffer[16], '\x5A');

    printer->SetBytes(simstore::ChannelsValue, std::string());
    size = 0;
    EXPECT_EQ(klapi.KLGetAvailableChannel(1, printer.name(), nullptr, &size), KL_NO_CHANNEL);
}

TEST_F(Simulator, OpensListedChannelsOnly) {
    printer->SetBytes(simstore::ChannelsValue, Packed({{0x02000001, 0x0004, 0}}));
    EXPECT_EQ(Open(printer.name(), 4), 0);
    EXPECT_EQ(Open("PqifTest_Absent", 0x02000001), 0);
    int first = Open(printer.name(), 0x02000001);
    int second = Open(printer.name(), 0x02000001);
    EXPECT_GT(first, 0);
    EXPECT_GT(second, 0);
    EXPECT_NE(first, second);
    EXPECT_EQ(klapi.KLCloseChannel(first), 0);
    EXPECT_EQ(klapi.KLCloseChannel(first), KL_FAILURE);
    EXPECT_EQ(klapi.KLCloseChannel(second), 0);
}

TEST_F(Simulator, StatusFollowsTheSizeProbeAndStays) {
    int channel = Open(printer.name());
    ASSERT_GT(channel, 0);
    int size = 0;
    EXPECT_EQ(klapi.KLGetStatus(channel, nullptr, &size), 0) << "no reply yet";
    EXPECT_EQ(size, 0);

    printer.SetReply(kReply);
    for (int round = 0; round < 2; ++round) {
        size = 0;
        ASSERT_EQ(klapi.KLGetStatus(channel, nullptr, &size), KL_BUFFER_TOO_SMALL);
        ASSERT_EQ(size, static_cast<int>(kReply.size()));
        std::vector<char> buffer(static_cast<size_t>(size));
        EXPECT_EQ(klapi.KLGetStatus(channel, buffer.data(), &size),
                  static_cast<int>(kReply.size()));
        EXPECT_EQ(std::string(buffer.begin(), buffer.end()), kReply);
    }
    klapi.KLCloseChannel(channel);
    size = 0;
    EXPECT_EQ(klapi.KLGetStatus(channel, nullptr, &size), KL_FAILURE) << "closed handle";
}

TEST_F(Simulator, RawDataIsConsumedByASuccessfulRead) {
    int channel = Open(printer.name());
    ASSERT_GT(channel, 0);
    std::string raw("\x00\x01\xFFraw", 6);
    printer.SetRaw(raw);
    int size = 0;
    ASSERT_EQ(klapi.KLReceive(channel, nullptr, &size, 0), KL_BUFFER_TOO_SMALL);
    ASSERT_EQ(size, 6);
    // A probe and a too-small buffer consume nothing.
    int tooSmall = 5;
    std::vector<char> buffer(6);
    EXPECT_EQ(klapi.KLReceive(channel, buffer.data(), &tooSmall, 0), KL_BUFFER_TOO_SMALL);
    EXPECT_EQ(klapi.KLReceive(channel, buffer.data(), &size, 0), 6);
    EXPECT_EQ(std::string(buffer.begin(), buffer.end()), raw);
    size = 0;
    EXPECT_EQ(klapi.KLReceive(channel, nullptr, &size, 0), 0);
    klapi.KLCloseChannel(channel);
}

TEST_F(Simulator, ChannelInUseAnswersMinus17UntilFreed) {
    int channel = Open(printer.name());
    printer.SetReply(kReply);
    printer->SetInUse(true);
    int size = 0;
    EXPECT_EQ(klapi.KLGetStatus(channel, nullptr, &size), KL_CHANNEL_IN_USE);
    printer->SetInUse(false);
    EXPECT_EQ(klapi.KLGetStatus(channel, nullptr, &size), KL_BUFFER_TOO_SMALL);
    klapi.KLCloseChannel(channel);
}

TEST_F(Simulator, ScriptedFailuresReplaceTheWork) {
    int channel = Open(printer.name());
    ASSERT_GT(channel, 0);
    printer.SetReply(kReply);
    printer.SetRaw("data");
    int size = 0;
    std::vector<char> buffer(64);

    printer->SetScriptedResult("KLGetDeviceID", KL_FAILURE);
    EXPECT_EQ(klapi.KLGetDeviceID(1, printer.name(), nullptr, &size), KL_FAILURE);
    printer->SetScriptedResult("KLGetAvailableChannel", -3);
    EXPECT_EQ(klapi.KLGetAvailableChannel(1, printer.name(), nullptr, &size), -3);
    printer->SetScriptedResult("KLOpenChannel", 0);
    EXPECT_EQ(Open(printer.name()), 0);
    printer->SetScriptedResult("KLGetStatus", -16);
    size = 64;
    EXPECT_EQ(klapi.KLGetStatus(channel, buffer.data(), &size), -16);
    printer->SetScriptedResult("KLReceive", -20);
    size = 64;
    EXPECT_EQ(klapi.KLReceive(channel, buffer.data(), &size, 0), -20);
    printer->SetScriptedResult("KLCloseChannel", -16);
    EXPECT_EQ(klapi.KLCloseChannel(channel), -16);

    // Unscripted, the same calls work again; the failed read consumed nothing.
    for (const char* entryPoint : {"KLGetStatus", "KLReceive", "KLCloseChannel"})
        printer->ClearScriptedResult(entryPoint);
    size = 64;
    EXPECT_EQ(klapi.KLReceive(channel, buffer.data(), &size, 0), 4);
    size = 64;
    EXPECT_EQ(klapi.KLGetStatus(channel, buffer.data(), &size), static_cast<int>(kReply.size()));
    EXPECT_EQ(klapi.KLCloseChannel(channel), 0);
}

// On request the library claims more bytes than it wrote; it still never
// writes past the buffer it was given.
TEST_F(Simulator, LyingSizesNeverComeWithWritesPastTheBuffer) {
    int channel = Open(printer.name());
    printer.SetReply(kReply);
    printer.SetRaw("0123456789");
    printer->SetLie("KLGetStatus", 100);
    printer->SetLie("KLReceive", 7);

    std::vector<char> buffer(kReply.size() + 8, '\x7E');
    int size = static_cast<int>(kReply.size());
    EXPECT_GT(klapi.KLGetStatus(channel, buffer.data(), &size), 0);
    EXPECT_EQ(size, static_cast<int>(kReply.size()) + 100);
    EXPECT_EQ(std::string(buffer.begin() + static_cast<long>(kReply.size()), buffer.end()),
              std::string(8, '\x7E'));

    std::fill(buffer.begin(), buffer.end(), '\x7E');
    size = 10;
    EXPECT_EQ(klapi.KLReceive(channel, buffer.data(), &size, 0), 10);
    EXPECT_EQ(size, 17);
    EXPECT_EQ(buffer[10], '\x7E');
    klapi.KLCloseChannel(channel);
}

// Handles belong to the process, not to a binding or to one load of the module.
TEST(SimulatorHandles, StayValidAcrossNestedBindingsAndReloads) {
    SimulatedPrinter first("PqifTest_HandleA"), second("PqifTest_HandleB");
    first.SetReply("reply of A");
    second.SetReply("reply of B, longer");
    int a = 0, b = 0;
    {
        KLApiBinding outer;
        {
            KLApiBinding inner;
            a = inner.KLOpenChannel(1, first.name(), 4);
        }
        b = outer.KLOpenChannel(0, second.name(), 4);
    }
    ASSERT_GT(a, 0);
    ASSERT_GT(b, 0);
    ASSERT_FALSE(simtest::KlapiLoaded());

    auto statusOf = [](KLApiBinding& klapi, int channel) {
        int size = 0;
        if (klapi.KLGetStatus(channel, nullptr, &size) != KL_BUFFER_TOO_SMALL)
            return std::string("(no probe)");
        std::vector<char> buffer(static_cast<size_t>(size));
        if (klapi.KLGetStatus(channel, buffer.data(), &size) <= 0)
            return std::string("(no status)");
        return std::string(buffer.begin(), buffer.end());
    };
    KLApiBinding reloaded;
    EXPECT_EQ(statusOf(reloaded, a), "reply of A");
    EXPECT_EQ(statusOf(reloaded, b), "reply of B, longer");
    EXPECT_EQ(reloaded.KLCloseChannel(a), 0);
    EXPECT_EQ(reloaded.KLCloseChannel(b), 0);
    EXPECT_EQ(statusOf(reloaded, a), "(no probe)");
}

} // namespace
