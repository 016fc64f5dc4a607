#include <gtest/gtest.h>

#include <string>

#include "IppTestSupport.h"
#include "V_PQIF07.h"
#include "companions/klapi/Journal.h"
#include "companions/klapi/SimStore.h"
#include "device/KLApiBinding.h"
#include "tests/common/SimTestSupport.h"
#include "tests/status/TestPrinterKeys.h"

namespace {

constexpr const char* kPrinter = "IppLastAnswer_K7";

// The IPP backend keeps the last answer and journals changes as the SNMP one does.
TEST(IppLastAnswer, ASilentPrinterKeepsItsLastAnswerAndJournalsTheSilenceOnce) {
    ASSERT_FALSE(ipptest::PrinterUri().empty()) << "PQIF_IPP_URI is not set";
    ::DeleteFileA(journal::FileOf(kPrinter).c_str());
    TargetKeys keys;
    keys.Add(SelectByPrinter, "ipplast", kPrinter);
    simtest::SimulatedPrinter printer(kPrinter);
    printer->SetString(simstore::IppUriValue, ipptest::PrinterUri());
    printer->SetDword(simstore::IppTimeoutValue, 1500);
    KLApiBinding binding;
    int channel = binding.KLOpenChannel(1, kPrinter, PQIF_CHANNEL_PREFERRED);
    ASSERT_NE(channel, 0);
    auto query = [&] {
        printer->SetDword(simstore::IppPolledAtValue, 0);
        LONG result = -77, state, sound, notify, activity;
        PrGetStatusB(0, PQIF_CHANNEL_PREFERRED, channel, &result, &state, &sound, &notify, kPrinter,
                     "", 0, "Vorne Kestrel K7", &activity);
        return result;
    };
    auto entries = [&] {
        ULONGLONG offset = 0;
        return journal::ReadFrom(kPrinter, offset);
    };
    EXPECT_NE(query(), PQIF_RESULT_NOT_AVAILABLE);
    ASSERT_EQ(entries().size(), 1u);
    EXPECT_TRUE(entries()[0].answering);
    std::string answered = printer->String(simstore::LastAnswerValue);
    EXPECT_FALSE(answered.empty());

    // Nothing listens on port 1 of loopback: the printer has gone silent.
    printer->SetString(simstore::IppUriValue, "ipp://127.0.0.1:1/ipp/print");
    EXPECT_EQ(query(), PQIF_RESULT_NOT_AVAILABLE);
    EXPECT_EQ(query(), PQIF_RESULT_NOT_AVAILABLE);
    std::vector<journal::Entry> all = entries();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_FALSE(all[1].answering);
    EXPECT_EQ(all[1].lastAnswer, answered);
    EXPECT_EQ(all[1].reply, all[0].reply);
    EXPECT_EQ(printer->String(simstore::LastAnswerValue), answered);
    binding.KLCloseChannel(channel);
    ::DeleteFileA(journal::FileOf(kPrinter).c_str());
}

} // namespace
