#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "tests/tools/FakeMonitorWindow.h"
#include "tests/tools/ToolRun.h"

namespace {

ToolRun MonitorCtl(const std::string& arguments) {
    return RunTool("monitorctl.exe " + arguments);
}

TEST(MonitorCtl, ReadsTheViewAndTheTextsOfAMonitorWindow) {
    FakeMonitorWindow decoy(FakeMonitorWindow::Look::Plain);
    FakeMonitorWindow window(FakeMonitorWindow::Look::Popup, "Paper out.\r\nLoad paper.");
    ToolRun r = MonitorCtl("wait popup --has \"Load paper\" --seconds 10");
    EXPECT_EQ(r.exitCode, 0u) << r.err;
    EXPECT_EQ(r.out, "view: popup\ncaption: Fake Monitor : Test\n"
                     "message: Paper out. / Load paper.\ncancel: [Cancel Printing]\n");

    ::ShowWindow(window.Handle(), SW_HIDE);
    r = MonitorCtl("show");
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_EQ(r.out.rfind("view: hidden\n", 0), 0u) << r.out;
    r = MonitorCtl("wait shown --seconds 0.5");
    EXPECT_EQ(r.exitCode, 1u);
    EXPECT_NE(r.err.find("no shown window within 0.5 s; last seen:\nview: hidden\n"),
              std::string::npos)
        << r.err;
}

TEST(MonitorCtl, PressesAButtonOnceItIsEnabledAndWaitsForTheWindowToTakeIt) {
    FakeMonitorWindow window(FakeMonitorWindow::Look::Progress);
    ::EnableWindow(window.Control(309), FALSE);
    ToolRun r = MonitorCtl("click pause --seconds 0.5");
    EXPECT_EQ(r.exitCode, 1u);
    EXPECT_TRUE(window.Commands().empty());

    ::EnableWindow(window.Control(309), TRUE);
    r = MonitorCtl("click pause --seconds 10");
    EXPECT_EQ(r.exitCode, 0u) << r.err;
    EXPECT_EQ(r.out, "pressed pause\n");
    ASSERT_EQ(window.Commands().size(), 1u);
    EXPECT_EQ(window.Commands()[0], 309);
    EXPECT_FALSE(::IsWindowEnabled(window.Control(309)));

    r = MonitorCtl("wait progress --enabled pause --seconds 0.5");
    EXPECT_EQ(r.exitCode, 1u);
    r = MonitorCtl("click cancel");
    EXPECT_EQ(r.exitCode, 0u) << r.err;
    EXPECT_EQ(window.Commands().back(), 308);
}

TEST(MonitorCtl, AWindowThatEndsIsGone) {
    auto* window = new FakeMonitorWindow(FakeMonitorWindow::Look::Popup);
    ToolRun r = MonitorCtl("wait gone --seconds 0.5");
    EXPECT_EQ(r.exitCode, 1u);
    delete window;
    r = MonitorCtl("wait gone --seconds 5");
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_EQ(r.out, "no monitor window\n");
    r = MonitorCtl("show");
    EXPECT_EQ(r.exitCode, 1u);
    EXPECT_EQ(r.err, "monitorctl: no monitor window\n");
}

TEST(MonitorCtl, BadArgumentsGiveUsage) {
    for (const char* arguments :
         {"", "wait", "wait sideways", "click nothing", "show extra", "wait popup --seconds x",
          "wait popup --for", "rect --frobnicate"}) {
        SCOPED_TRACE(arguments);
        ToolRun r = MonitorCtl(arguments);
        EXPECT_EQ(r.exitCode, 2u);
        EXPECT_EQ(r.err.rfind("monitorctl: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find("usage: monitorctl"), std::string::npos);
    }
}

} // namespace
