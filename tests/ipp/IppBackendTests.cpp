#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "IppTestSupport.h"
#include "companions/klapi/SimStore.h"
#include "device/KLApiBinding.h"
#include "tests/common/SimTestSupport.h"

namespace {

constexpr const char* kPrinter = "IppBackend_K7";

// A simulated printer that answers from the loopback IPP printer, and an open
// status channel on it.
class IppBackendTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(ipptest::PrinterUri().empty()) << "PQIF_IPP_URI is not set";
        ASSERT_TRUE(ipptest::PrintStateScript("STATE: -cover-open,media-needed,media-jam\n"));
        printer_->SetString(simstore::IppUriValue, ipptest::PrinterUri());
        printer_->SetDword(simstore::IppIntervalValue, 500);
        printer_->SetDword(simstore::IppTimeoutValue, 1500);
        ASSERT_TRUE(binding_.IsInitialized());
        channel_ = binding_.KLOpenChannel(1, kPrinter, 0x10010003);
        ASSERT_NE(channel_, 0);
    }
    void TearDown() override {
        if (channel_)
            binding_.KLCloseChannel(channel_);
        ipptest::PrintStateScript("STATE: -cover-open,media-needed,media-jam\n");
    }

    // The reply as KLGetStatus gives it, or the failure result.
    int Status(std::string* reply) {
        int size = 0;
        int rc = binding_.KLGetStatus(channel_, nullptr, &size);
        if (rc != KL_BUFFER_TOO_SMALL)
            return rc;
        std::vector<char> buffer(static_cast<size_t>(size));
        rc = binding_.KLGetStatus(channel_, buffer.data(), &size);
        if (rc > 0)
            reply->assign(buffer.data(), static_cast<size_t>(rc));
        return rc;
    }
    bool ReplyComesToHold(const std::string& field) {
        return ipptest::WaitUntil(
            [&] {
                std::string reply;
                return Status(&reply) > 0 && reply.find(field) != std::string::npos;
            },
            8000);
    }

    simtest::SimulatedPrinter printer_{kPrinter};
    KLApiBinding binding_;
    int channel_ = 0;
};

TEST_F(IppBackendTest, ReplyAndDeviceIdComeFromThePrinter) {
    std::string reply;
    ASSERT_GT(Status(&reply), 0);
    EXPECT_EQ(reply.rfind("@BDC ST\r\n", 0), 0u);
    EXPECT_NE(reply.find("IQ:"), std::string::npos);
    EXPECT_EQ(reply.back(), '\x0C');

    int size = 0;
    ASSERT_EQ(binding_.KLGetDeviceID(1, kPrinter, nullptr, &size), KL_BUFFER_TOO_SMALL);
    std::string id(static_cast<size_t>(size), '\0');
    ASSERT_GE(binding_.KLGetDeviceID(1, kPrinter, &id[0], &size), 0);
    EXPECT_NE(id.find("MDL:Vorne Kestrel K7;"), std::string::npos);
}

TEST_F(IppBackendTest, ConditionsReachTheReplyWithinTheInterval) {
    ASSERT_TRUE(ipptest::PrintStateScript("STATE: +cover-open\n"));
    EXPECT_TRUE(ReplyComesToHold("ST:00;ER:02;"));
    ASSERT_TRUE(ipptest::PrintStateScript("STATE: -cover-open\nSTATE: +media-jam\n"));
    EXPECT_TRUE(ReplyComesToHold("ST:00;ER:03;"));
    ASSERT_TRUE(ipptest::PrintStateScript("STATE: -media-jam\n"));
    EXPECT_TRUE(ReplyComesToHold("ST:04;"));
}

TEST_F(IppBackendTest, AWatchedChannelIsToldWhenThePrinterChanges) {
    HWND window =
        ::CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    std::string reply;
    ASSERT_GT(Status(&reply), 0);
    ASSERT_EQ(binding_.KLSetOption(channel_, KL_OPTION_NOTIFY_WINDOW, &window), 0);
    ASSERT_TRUE(ipptest::PrintStateScript("STATE: +media-needed\n"));
    MSG msg;
    bool told = ipptest::WaitUntil(
        [&] {
            while (::PeekMessageA(&msg, window, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_USER + 2 && msg.lParam == channel_)
                    return true;
            }
            return false;
        },
        8000);
    EXPECT_TRUE(told);
    ASSERT_GT(Status(&reply), 0);
    EXPECT_NE(reply.find("ER:06;"), std::string::npos);
    HWND none = nullptr;
    binding_.KLSetOption(channel_, KL_OPTION_NOTIFY_WINDOW, &none);
    ::DestroyWindow(window);
}

TEST_F(IppBackendTest, APrinterThatStopsAnsweringFailsWithinTheTimeout) {
    std::string reply;
    ASSERT_GT(Status(&reply), 0);
    {
        // The printer goes quiet: it accepts the connection and says nothing.
        ipptest::ScriptedServer quiet("", true);
        printer_->SetString(simstore::IppUriValue, quiet.Uri());
        printer_->SetDword(simstore::IppPolledAtValue, 0);
        ULONGLONG start = ::GetTickCount64();
        EXPECT_EQ(Status(&reply), KL_FAILURE);
        EXPECT_LT(::GetTickCount64() - start, 4000u);
        // Within the interval the failure is answered at once, without asking again.
        start = ::GetTickCount64();
        EXPECT_EQ(Status(&reply), KL_FAILURE);
        EXPECT_LT(::GetTickCount64() - start, 300u);
    }
    // And then it is gone altogether.
    printer_->SetString(simstore::IppUriValue, "ipp://127.0.0.1:1/ipp/print");
    printer_->SetDword(simstore::IppPolledAtValue, 0);
    EXPECT_EQ(Status(&reply), KL_FAILURE);
    int size = 0;
    printer_->SetDword(simstore::IppPolledAtValue, 0);
    EXPECT_EQ(binding_.KLGetDeviceID(1, kPrinter, nullptr, &size), KL_FAILURE);
}

} // namespace
