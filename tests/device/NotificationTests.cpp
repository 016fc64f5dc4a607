#include <gtest/gtest.h>

#include <string>

#include "device/KLApiBinding.h"
#include "tests/common/SimTestSupport.h"

using simtest::SimulatedPrinter;

namespace {

constexpr UINT kStatusMessage = WM_USER + 2;

// A plain top-level window (never shown) that collects status messages.
class TestWindow {
public:
    TestWindow() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = ::DefWindowProcA;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "PqifKlapiTestWindow";
        ::RegisterClassA(&wc);
        hwnd_ = ::CreateWindowExA(0, wc.lpszClassName, "status", WS_OVERLAPPEDWINDOW, 0, 0, 100,
                                  100, nullptr, nullptr, wc.hInstance, nullptr);
    }
    ~TestWindow() {
        if (hwnd_)
            ::DestroyWindow(hwnd_);
    }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;
    HWND hwnd() const { return hwnd_; }

    // Status messages for `channel` that arrive within `ms`; stops at the first
    // one when `untilFirst`.
    int Collect(int channel, DWORD ms, bool untilFirst) {
        int count = 0;
        DWORD start = ::GetTickCount();
        for (;;) {
            MSG msg;
            while (::PeekMessageA(&msg, hwnd_, kStatusMessage, kStatusMessage, PM_REMOVE)) {
                if (msg.lParam == channel)
                    ++count;
                else
                    ++stray_;
            }
            DWORD elapsed = ::GetTickCount() - start;
            if ((untilFirst && count > 0) || elapsed >= ms)
                return count;
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_POSTMESSAGE);
        }
    }
    int stray() const { return stray_; }

private:
    HWND hwnd_ = nullptr;
    int stray_ = 0;
};

bool SetReplyFromOtherProcess(const SimulatedPrinter& printer, const char* text) {
    return simtest::RunProgram(std::string("simprinter.exe set ") + printer.name() + " reply \"" +
                               text + "\"")
               .exitCode == 0;
}

TEST(StatusNotification, ArrivesWhenTheReplyChangesAndStopsAfterClose) {
    SimulatedPrinter printer("PqifTest_Notify");
    printer.SetReply("@BDC ST\r\nST:04;\f");
    TestWindow window;
    ASSERT_NE(window.hwnd(), nullptr);
    {
        KLApiBinding klapi;
        ASSERT_EQ(klapi.IsInitialized(), 1);
        int channel = klapi.KLOpenChannel(1, printer.name(), 4);
        ASSERT_GT(channel, 0);
        HWND target = window.hwnd();
        ASSERT_EQ(klapi.KLSetOption(channel, KL_OPTION_NOTIFY_WINDOW, &target), 0);

        // Registering is not a change.
        EXPECT_EQ(window.Collect(channel, 300, false), 0);

        ASSERT_TRUE(SetReplyFromOtherProcess(printer, "@BDC ST\\r\\nST:00;ER:05;\\f"));
        EXPECT_EQ(window.Collect(channel, 10000, true), 1);

        // Writing the same reply again is no change; the next real change is one message.
        ASSERT_TRUE(SetReplyFromOtherProcess(printer, "@BDC ST\\r\\nST:00;ER:05;\\f"));
        ASSERT_TRUE(SetReplyFromOtherProcess(printer, "@BDC ST\\r\\nST:02;\\f"));
        EXPECT_EQ(window.Collect(channel, 10000, true), 1);
        EXPECT_EQ(window.Collect(channel, 300, false), 0);

        EXPECT_EQ(klapi.KLCloseChannel(channel), 0);
        ASSERT_TRUE(SetReplyFromOtherProcess(printer, "@BDC ST\\r\\nST:04;\\f"));
        EXPECT_EQ(window.Collect(channel, 1000, false), 0);
    }
    EXPECT_EQ(window.stray(), 0);
    EXPECT_FALSE(simtest::KlapiLoaded()) << "a watcher still holds the module";
}

TEST(StatusNotification, TheLastReleaseStopsWatchingAnOpenChannel) {
    SimulatedPrinter printer("PqifTest_NotifyRelease");
    TestWindow window;
    HWND target = window.hwnd();
    int channel = 0;
    {
        KLApiBinding outer;
        channel = outer.KLOpenChannel(1, printer.name(), 4);
        ASSERT_GT(channel, 0);
        {
            KLApiBinding inner;
            ASSERT_EQ(inner.KLSetOption(channel, KL_OPTION_NOTIFY_WINDOW, &target), 0);
        }
        // The inner release was not the last one: still watching.
        ASSERT_TRUE(SetReplyFromOtherProcess(printer, "first"));
        EXPECT_EQ(window.Collect(channel, 10000, true), 1);
    }
    EXPECT_FALSE(simtest::KlapiLoaded());
    ASSERT_TRUE(SetReplyFromOtherProcess(printer, "second"));
    EXPECT_EQ(window.Collect(channel, 1000, false), 0);

    KLApiBinding cleanup;
    EXPECT_EQ(cleanup.KLCloseChannel(channel), 0);
}

TEST(StatusNotification, RejectsWhatCannotBeWatched) {
    SimulatedPrinter printer("PqifTest_NotifyBad");
    KLApiBinding klapi;
    int channel = klapi.KLOpenChannel(1, printer.name(), 4);
    HWND notAWindow = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x7FFF0));
    HWND none = nullptr;
    EXPECT_EQ(klapi.KLSetOption(channel, KL_OPTION_NOTIFY_WINDOW, nullptr), KL_FAILURE);
    EXPECT_EQ(klapi.KLSetOption(channel, KL_OPTION_NOTIFY_WINDOW, &notAWindow), KL_FAILURE);
    EXPECT_EQ(klapi.KLSetOption(channel, 3, &none), KL_FAILURE);
    EXPECT_EQ(klapi.KLSetOption(channel + 1000000, KL_OPTION_NOTIFY_WINDOW, &none), KL_FAILURE);
    EXPECT_EQ(klapi.KLSetOption(channel, KL_OPTION_NOTIFY_WINDOW, &none), 0) << "unregisters";
    EXPECT_EQ(klapi.KLCloseChannel(channel), 0);
}

} // namespace
