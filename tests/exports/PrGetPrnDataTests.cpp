#include <gtest/gtest.h>

#include <string>

#include "V_PQIF07.h"
#include "device/KLApiBinding.h"
#include "device/ReceiveData.h"
#include "tests/common/SimTestSupport.h"

using simtest::CallCounter;
using simtest::SimulatedPrinter;

namespace {

bool IsLiveBlock(void* block) {
    return ::HeapValidate(::GetProcessHeap(), 0, block) != FALSE;
}

std::string BlockText(void* block) {
    return std::string(static_cast<const char*>(block), ::LocalSize(block));
}

// A printer with an open channel, held by the test like a driver component would.
class PrGetPrnDataTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(klapi.IsInitialized(), 1);
        channel = klapi.KLOpenChannel(1, printer.name(), 4);
        ASSERT_GT(channel, 0);
    }
    void TearDown() override { klapi.KLCloseChannel(channel); }

    SimulatedPrinter printer{"PqifTest_PrnData"};
    KLApiBinding klapi;
    int channel = 0;
};

TEST_F(PrGetPrnDataTest, ChannelZeroIsRejectedBeforeAnyRead) {
    CallCounter reads("KLReceive");
    LONG value = 55;
    void* data = nullptr;
    EXPECT_EQ(PrGetPrnData(0, 0, 0, &value, &data), -1);
    EXPECT_EQ(value, 55);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(reads.Delta(), 0u);
}

TEST_F(PrGetPrnDataTest, NothingWaitingLeavesTheBlockAndClearsTheValue) {
    void* old = ::LocalAlloc(LMEM_FIXED, 16);
    void* data = old;
    LONG value = 55;
    EXPECT_EQ(PrGetPrnData(0, 0, channel, &value, &data), 0);
    EXPECT_EQ(data, old);
    EXPECT_TRUE(IsLiveBlock(old));
    EXPECT_EQ(value, 0);
    ::LocalFree(old);
}

TEST_F(PrGetPrnDataTest, DeliversDataInANewBlockAndFreesTheOldOne) {
    const std::string raw("\x1B@status\x00\xFF tail", 15);
    printer.SetRaw(raw);
    CallCounter cancels("KLReceiveCancel");
    void* old = ::LocalAlloc(LMEM_FIXED, 777);
    void* data = old;
    LONG value = 55;
    EXPECT_EQ(PrGetPrnData(0, 0, channel, &value, &data), 0);
    EXPECT_FALSE(IsLiveBlock(old)) << "the previous block was not freed";
    ASSERT_NE(data, old);
    EXPECT_EQ(BlockText(data), raw);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(cancels.Delta(), 0u);

    // The data was consumed: the next call finds nothing and keeps the new block.
    void* delivered = data;
    EXPECT_EQ(PrGetPrnData(0, 0, channel, &value, &data), 0);
    EXPECT_EQ(data, delivered);
    ::LocalFree(data);

    printer.SetRaw("again");
    data = nullptr;
    EXPECT_EQ(PrGetPrnData(0, 0, channel, &value, &data), 0);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(BlockText(data), "again");
    ::LocalFree(data);
}

TEST_F(PrGetPrnDataTest, AReceiveErrorCancelsAndKeepsEverything) {
    printer.SetRaw("kept");
    printer->SetScriptedResult("KLReceive", KL_FAILURE);
    CallCounter cancels("KLReceiveCancel");
    void* old = ::LocalAlloc(LMEM_FIXED, 16);
    void* data = old;
    LONG value = 55;
    EXPECT_EQ(PrGetPrnData(0, 0, channel, &value, &data), 0);
    EXPECT_EQ(data, old);
    EXPECT_TRUE(IsLiveBlock(old));
    EXPECT_EQ(value, 0);
    EXPECT_EQ(cancels.Delta(), 1u);

    // A channel this process does not have open fails the same way.
    printer->ClearScriptedResult("KLReceive");
    EXPECT_EQ(PrGetPrnData(0, 0, channel + 100000, &value, &data), 0);
    EXPECT_EQ(data, old);
    EXPECT_EQ(cancels.Delta(), 2u);
    EXPECT_EQ(printer->Bytes(simstore::RawDataValue).size(), 4u) << "nothing was consumed";
    ::LocalFree(old);
}

TEST_F(PrGetPrnDataTest, ARefusedLibraryCountsAsMissing) {
    simtest::InitResultGuard refused(1);
    LONG value = 55;
    void* data = nullptr;
    EXPECT_EQ(PrGetPrnData(0, 0, channel, &value, &data), 1);
    EXPECT_EQ(PrGetPrnData(0, 0, 0, &value, &data), 1);
    EXPECT_EQ(value, 55);
}

// A library that claims on the second call to have written more than the
// buffer holds must not make the read step use more than it allocated.
TEST_F(PrGetPrnDataTest, AnOverstatedSizeDoesNotGrowTheDeliveredBlock) {
    const std::string raw = "0123456789abcdef";
    printer.SetRaw(raw);
    printer->SetLie("KLReceive", 4096);
    HLOCAL block = nullptr;
    ASSERT_EQ(ReceivePrinterData(channel, &block), ReceiveOutcome::Data);
    EXPECT_TRUE(IsLiveBlock(block));
    EXPECT_EQ(::LocalSize(block), raw.size());
    EXPECT_EQ(BlockText(block), raw);
    EXPECT_TRUE(::HeapValidate(::GetProcessHeap(), 0, nullptr)) << "heap damaged";
    ::LocalFree(block);

    printer.SetRaw(raw);
    void* data = nullptr;
    LONG value = 55;
    EXPECT_EQ(PrGetPrnData(0, 0, channel, &value, &data), 0);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(BlockText(data), raw);
    ::LocalFree(data);
}

} // namespace
