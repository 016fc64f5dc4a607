#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "tests/tools/FakeMonitorWindow.h"
#include "tools/pqif/JobHandOff.h"

namespace {

TEST(JobHandOff, HandsTheJobsToTheMonitorWindowOnceItExists) {
    JobHandOff handOff(::GetCurrentThreadId(), {4711, 4712});
    PumpUntil(200, [] { return false; });
    // Another window of the thread comes first; only the monitor window counts.
    FakeMonitorWindow other(FakeMonitorWindow::Look::Plain);
    FakeMonitorWindow window(FakeMonitorWindow::Look::Progress);
    PumpUntil(5000, [&] { return window.AddedJobs().size() >= 2; });
    PumpUntil(200, [] { return false; });
    EXPECT_EQ(window.AddedJobs(), (std::vector<LPARAM>{4711, 4712}));
    EXPECT_TRUE(other.AddedJobs().empty());
}

TEST(JobHandOff, GivesUpWhenNoWindowCame) {
    const DWORD start = ::GetTickCount();
    { JobHandOff handOff(::GetCurrentThreadId(), {1}); }
    EXPECT_LT(::GetTickCount() - start, 1000u);
    FakeMonitorWindow window(FakeMonitorWindow::Look::Progress);
    PumpUntil(300, [] { return false; });
    EXPECT_TRUE(window.AddedJobs().empty());
}

} // namespace
