// The monitor window driven for real: template 102 of the English resource
// library, the demo installation, the simulated printer and the spooler's demo
// queue. Each test scripts its steps on the window's thread.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/monitor/MonitorFixture.h"
#include "tests/monitor/WaitUntil.h"

namespace {

using namespace monitortest;

TEST_F(MonitorWindowTest, PopupShowsTheAlertControlsAndCaption) {
    TestMonitorDlg dialog;
    int result = RunWindow(dialog, VIEW_POPUP, [&](TestMonitorDlg& d) {
        d.Do([&](TestMonitorDlg& w) {
            HWND h = w.m_hWnd;
            EXPECT_EQ(w.m_View, VIEW_POPUP);
            EXPECT_TRUE(::IsWindowVisible(h));
            EXPECT_EQ(w.GetWindowText(), Text(1100) + " : " + demo::PrinterName);
            EXPECT_TRUE(Shown(h, IDC_PICTURE) && Shown(h, IDC_MESSAGE) && Shown(h, 307));
            EXPECT_TRUE(Shown(h, IDC_CANCEL_POPUP) && Enabled(h, IDC_CANCEL_POPUP));
            EXPECT_FALSE(Shown(h, IDOK) || Enabled(h, IDOK));
            EXPECT_FALSE(Shown(h, IDC_PROGRESS) || Shown(h, IDC_CANCEL_PM) || Shown(h, IDC_PAUSE));
            EXPECT_TRUE(MenuState(h, SC_CLOSE) & MF_GRAYED);
            EXPECT_EQ(MenuState(h, SC_SIZE), static_cast<UINT>(-1)) << "no size item";
            EXPECT_EQ(MenuState(h, SC_MAXIMIZE), static_cast<UINT>(-1)) << "no maximise item";
            EXPECT_NE(MenuState(h, 912), static_cast<UINT>(-1)) << "the versions item";
            EXPECT_FALSE(w.GetStyle() & WS_MINIMIZEBOX);
            // The job mapping name follows the printer name.
            EXPECT_EQ(w.m_JobMapName, std::string("V_KVRS_") + demo::PrinterName);
        });
    });
    EXPECT_EQ(result, IDCANCEL);
}

TEST_F(MonitorWindowTest, SwitchingToTheShownViewChangesNothing) {
    TestMonitorDlg dialog;
    RunWindow(dialog, VIEW_DETAIL, [&](TestMonitorDlg& d) {
        d.Do([&](TestMonitorDlg& w) {
            EXPECT_TRUE(Shown(w.m_hWnd, IDOK) && Enabled(w.m_hWnd, IDOK));
            EXPECT_EQ(::GetFocus(), ::GetDlgItem(w.m_hWnd, IDOK));
            EXPECT_FALSE(MenuState(w.m_hWnd, SC_CLOSE) & MF_GRAYED);
            w.SetWindowText("unchanged");
            RECT before = {};
            w.GetWindowRect(&before);
            w.SetWindowPos(nullptr, 3, 4, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            w.SwitchView(VIEW_DETAIL, TRUE);
            EXPECT_EQ(w.GetWindowText(), "unchanged");
            RECT after = {};
            w.GetWindowRect(&after);
            EXPECT_EQ(after.left, 3);
            EXPECT_EQ(after.top, 4);
        });
    });
}

TEST_F(MonitorWindowTest, KeysNeverCloseTheAlertAndReturnClosesTheDetailView) {
    {
        TestMonitorDlg dialog;
        int result = RunWindow(dialog, VIEW_POPUP, [&](TestMonitorDlg& d) {
            for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
                ::PostMessageA(::GetDlgItem(d.Window(), IDC_CANCEL_POPUP), WM_KEYDOWN, key, 0);
                ::PostMessageA(::GetDlgItem(d.Window(), IDC_CANCEL_POPUP), WM_KEYUP, key, 0);
            }
            ASSERT_TRUE(Settle(d));
            EXPECT_TRUE(::IsWindow(d.Window())) << "Return and Escape leave the popup open";
            EXPECT_TRUE(pm_->commands.empty()) << "Return did not press cancel";
        });
        EXPECT_EQ(result, IDCANCEL);
    }
    {
        TestMonitorDlg dialog;
        int result = RunWindow(dialog, VIEW_DETAIL, [&](TestMonitorDlg& d) {
            ::PostMessageA(::GetDlgItem(d.Window(), IDOK), WM_KEYDOWN, VK_ESCAPE, 0);
            ASSERT_TRUE(Settle(d));
            EXPECT_TRUE(::IsWindow(d.Window()));
            const HWND window = d.Window();
            ::PostMessageA(::GetDlgItem(window, IDOK), WM_KEYDOWN, VK_RETURN, 0);
            EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(window); }));
        });
        EXPECT_EQ(result, IDOK) << "Return pressed the close button";
    }
}

// The screen the window is placed on: the full-screen size, within the work area.
SIZE PlacementScreen() {
    RECT work = {};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const LONG width = ::GetSystemMetrics(SM_CXFULLSCREEN);
    const LONG height = ::GetSystemMetrics(SM_CYFULLSCREEN) + ::GetSystemMetrics(SM_CYCAPTION);
    return {work.right > 0 && work.right < width ? work.right : width,
            work.bottom > 0 && work.bottom < height ? work.bottom : height};
}

TEST_F(MonitorWindowTest, PositionsFallBackToTheDefaultAndAreStored) {
    const int screenW = PlacementScreen().cx;
    const int screenH = PlacementScreen().cy;
    struct Case {
        bool stored;
        LONG x, y;
        bool keptX, keptY;
    };
    const Case cases[] = {
        {false, 0, 0, false, false},                  // nothing stored: centred
        {true, 0x70000000, 40, false, true},          // far right; the height is fine
        {true, -5000, -5000, false, false},           // left and above by more than the window
        {true, 0x7FFFFFF0, 0x7FFFFFF0, false, false}, // no wrap-around with the window's size
        {true, 120, 90, true, true},                  // on screen: kept
        {true, -10, 20, true, true},                  // partly off screen, still reachable
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
        if (c.stored) {
            EXPECT_TRUE(Target().SetDword("PopupPOSX", static_cast<DWORD>(c.x)));
            EXPECT_TRUE(Target().SetDword("PopupPOSY", static_cast<DWORD>(c.y)));
        } else {
            Target().DeleteValue("PopupPOSX");
            Target().DeleteValue("PopupPOSY");
        }
        TestMonitorDlg dialog;
        RunWindow(dialog, VIEW_POPUP, [&](TestMonitorDlg& d) {
            d.Do([&](TestMonitorDlg& w) {
                RECT r = {};
                w.GetWindowRect(&r);
                // The default centres the window as it was before it took the view's size.
                const RECT& t = w.templateRect;
                EXPECT_EQ(r.left, c.keptX ? c.x : (screenW - (t.right - t.left)) / 2);
                EXPECT_EQ(r.top, c.keptY ? c.y : (screenH - (t.bottom - t.top)) / 2);
                Registry key(HKEY_CURRENT_USER, TargetKeyPath().c_str());
                EXPECT_EQ(static_cast<LONG>(key.GetDword("PopupPOSX", 1)), r.left);
                EXPECT_EQ(static_cast<LONG>(key.GetDword("PopupPOSY", 1)), r.top);
            });
        });
    }
}

TEST_F(MonitorWindowTest, ProgressMeterStartsHiddenInTheBottomRightCorner) {
    TestMonitorDlg dialog;
    int result = RunWindow(dialog, VIEW_PROGRESS, [&](TestMonitorDlg& d) {
        // The modal loop's show-on-idle has come and was cancelled.
        ASSERT_TRUE(WaitOnWindow(d, [](TestMonitorDlg& w) { return w.showAttempts > 0; }));
        d.Do([&](TestMonitorDlg& w) {
            EXPECT_FALSE(::IsWindowVisible(w.m_hWnd));
            EXPECT_EQ(w.m_bKeepHidden, 1);
            EXPECT_EQ(w.GetWindowText(), std::string(demo::PrinterName) + " - " + demo::PortName);
            EXPECT_TRUE(w.GetStyle() & WS_MINIMIZEBOX);
            const SIZE size = w.GetViewSize(VIEW_PROGRESS);
            RECT r = {};
            w.GetWindowRect(&r);
            EXPECT_EQ(r.left, PlacementScreen().cx - size.cx);
            EXPECT_EQ(r.top, PlacementScreen().cy - size.cy);
            EXPECT_EQ(r.bottom - r.top, size.cy);
            RECT work = {};
            ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
            EXPECT_LE(r.bottom, work.bottom) << "the whole meter is on the screen";
        });
    });
    EXPECT_EQ(result, IDCANCEL);
}

// Each reply through a status tick: the message shown and the picture kind.
TEST_F(MonitorWindowTest, StatusTicksShowTheMessageAndPictureOfEachState) {
    struct Case {
        const std::string* reply;
        int status;
        std::string text;
        int pictureKind;
    };
    const Case cases[] = {
        {&kReady, 1, Text(3004), 1},
        {&kPaperOut, 5, Text(3012), 3},
        {&kCoverOpen, 32, Text(3008), 11},
        {&kCyanLow, 13, Text(3018) + Text(3053), 10},
        {&kCyanOut, 4, Text(3024) + Text(3053), 8},
    };
    TestMonitorDlg dialog;
    RunWindow(dialog, VIEW_DETAIL, [&](TestMonitorDlg& d) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.text);
            printer_.SetBytes(simstore::ReplyValue, *c.reply);
            d.Do([&](TestMonitorDlg& w) {
                w.StatusTick();
                EXPECT_EQ(w.m_StatusNumber, c.status);
                EXPECT_EQ(Item(w.m_hWnd, IDC_MESSAGE), c.text);
                EXPECT_EQ(w.m_PictureKind, c.pictureKind);
                EXPECT_EQ(w.m_ShownPictureKind, c.pictureKind);
                EXPECT_EQ(w.m_ErrorNoticeState, 2);
                EXPECT_TRUE(Enabled(w.m_hWnd, IDC_INK_1)) << "levels were reported";
            });
        }
        // The channel stays open across ticks; the model was checked once.
        d.Do([&](TestMonitorDlg& w) {
            EXPECT_NE(w.m_Channel.m_hStat, 0);
            EXPECT_EQ(w.m_Channel.m_StatChannel, 4);
        });
    });
}

// Which ink controls a reply enables: the first ink on its own, the other five
// only when all five were reported ("NA": not reported); levels stay within
// 100, and a failed read disables the whole area.
TEST_F(MonitorWindowTest, InkAreaFollowsTheReportedLevels) {
    struct Case {
        const char* levels;
        bool first, others;
    };
    const Case cases[] = {
        {"5A4B3C2D1E64", true, true},
        {"NA4B3C2D1E64", false, true},
        {"5A4B3CNA1E64", true, false},
        {"C84B3C2D1EFA", true, true},
    };
    const int others[] = {321, 322, 323, 324, 325};
    TestMonitorDlg dialog;
    RunWindow(dialog, VIEW_DETAIL, [&](TestMonitorDlg& d) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.levels);
            printer_.SetBytes(simstore::ReplyValue,
                              std::string("@BDC ST\r\nST:04;IQ:") + c.levels + ";\x0C");
            d.Do([&](TestMonitorDlg& w) {
                w.StatusTick();
                ASSERT_GT(w.m_StatusNumber, 0);
                EXPECT_TRUE(Enabled(w.m_hWnd, IDC_INK_CAPTION));
                EXPECT_EQ(Enabled(w.m_hWnd, IDC_INK_1), c.first);
                for (int id : others)
                    EXPECT_EQ(Enabled(w.m_hWnd, id), c.others) << id;
                for (int level : w.m_Reply.inkLevel)
                    EXPECT_TRUE(level <= 100 || level == InkLevelUnknown) << level;
            });
        }
        printer_.SetBytes(simstore::ReplyValue, "garbage");
        d.Do([&](TestMonitorDlg& w) {
            w.StatusTick();
            EXPECT_EQ(w.m_StatusNumber, 0);
            EXPECT_FALSE(Enabled(w.m_hWnd, IDC_INK_CAPTION));
            EXPECT_FALSE(Enabled(w.m_hWnd, IDC_INK_1));
            for (int id : others)
                EXPECT_FALSE(Enabled(w.m_hWnd, id)) << id;
        });
    });
}

// A library that claims to have written more than the block holds: the window
// decodes only the block, and shows the reply.
TEST_F(MonitorWindowTest, OverstatedReplySizeIsNotBelieved) {
    printer_.SetLie("KLGetStatus", 4000);
    TestMonitorDlg dialog;
    RunWindow(dialog, VIEW_DETAIL, [&](TestMonitorDlg& d) {
        printer_.SetBytes(simstore::ReplyValue, kPaperOut);
        d.Do([&](TestMonitorDlg& w) {
            w.StatusTick();
            EXPECT_EQ(w.m_StatusNumber, 5);
            EXPECT_EQ(Item(w.m_hWnd, IDC_MESSAGE), Text(3012));
        });
    });
    printer_.SetLie("KLGetStatus", 0);
}

TEST_F(MonitorWindowTest, UnchangedStatusRewritesNeitherTextNorPicture) {
    TestMonitorDlg dialog;
    RunWindow(dialog, VIEW_DETAIL, [&](TestMonitorDlg& d) {
        d.Do([&](TestMonitorDlg& w) {
            printer_.SetBytes(simstore::ReplyValue, kPaperOut);
            w.StatusTick();
            ::SetDlgItemTextA(w.m_hWnd, IDC_MESSAGE, "marker");
            w.m_Picture.StopAnimation();
            w.StatusTick();
            EXPECT_EQ(Item(w.m_hWnd, IDC_MESSAGE), "marker") << "same text is not put again";
            EXPECT_EQ(w.m_Picture.AnimationTimer(), 0u) << "same kind does not restart";
        });
        // Ink pictures follow the ink bits even with the same kind. The reply is
        // changed inside the step, so the library's own notice finds nothing new.
        d.Do([&](TestMonitorDlg& w) {
            printer_.SetBytes(simstore::ReplyValue, kCyanLow);
            w.StatusTick();
            w.m_Picture.StopAnimation();
            printer_.SetBytes(simstore::ReplyValue, "@BDC ST\r\nST:04;WR:12;IQ:5A4B0A2D1E64;\x0C");
            w.StatusTick();
            EXPECT_EQ(w.m_StatusNumber, 13);
            EXPECT_NE(w.m_Picture.AnimationTimer(), 0u) << "new ink bits restart the pictures";
            EXPECT_EQ(Item(w.m_hWnd, IDC_MESSAGE), Text(3018) + Text(3054));
        });
    });
}

TEST_F(MonitorWindowTest, FailedReadsShowTheErrorAndTheNoticeOnce) {
    common_.SetDword("RST_FREPLACE", 1);
    common_.SetDword("ERR_KLAPIINUSE", 1);
    common_.SetDword("ERR_OTHERS", 1);
    printer_.SetBytes(simstore::ReplyValue, "garbage");
    MessageBoxWatcher watcher;
    TestMonitorDlg dialog;
    RunWindow(dialog, VIEW_DETAIL, [&](TestMonitorDlg& d) {
        d.Do([&](TestMonitorDlg& w) {
            w.StatusTick();
            EXPECT_EQ(w.m_StatusNumber, 0);
            EXPECT_EQ(Item(w.m_hWnd, IDC_MESSAGE), Text(2002));
            EXPECT_EQ(w.m_ErrorNoticeState, 1);
            EXPECT_FALSE(Enabled(w.m_hWnd, IDC_INK_1));
            w.StatusTick(); // a second failure: no second notice
        });
    });
    auto boxes = watcher.Boxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, Widen(Text(1233)));
    EXPECT_EQ(boxes[1].text, Widen(Text(1234)));
    EXPECT_EQ(boxes[2].text, Widen(Text(1235)));
    EXPECT_EQ(boxes[0].caption, Widen(Text(1100)));
}

// The channel repair tells the user through the window: in the popup view a
// failed read with an incomplete router shows one box, captioned as the notices.
TEST_F(MonitorWindowTest, RepairRefusedInThePopupIsShownByTheWindow) {
    KeyBackup router(HKEY_LOCAL_MACHINE, demo::RouterKey);
    router.Clear();
    router.SetString("KLP00", "LPT1:");
    common_.SetDword("KLAPIRECOVER", 1);
    printer_.SetBytes(simstore::ReplyValue, "garbage");
    MessageBoxWatcher watcher;
    TestMonitorDlg dialog;
    RunWindow(dialog, VIEW_POPUP, [&](TestMonitorDlg& d) {
        d.Do([&](TestMonitorDlg& w) {
            w.StatusTick();
            EXPECT_EQ(w.m_Recovery.State(), ChannelRecovery::Refused);
            w.StatusTick(); // refused once: never asked again
        });
    });
    auto boxes = watcher.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, Widen(Text(1228)));
    EXPECT_EQ(boxes[0].caption, Widen(Text(1100)));
}

TEST_F(MonitorWindowTest, NoticeFlagsOtherThanOneShowNothing) {
    common_.SetDword("ERR_OTHERS", 2);
    printer_.SetBytes(simstore::ReplyValue, "garbage");
    MessageBoxWatcher watcher;
    TestMonitorDlg dialog;
    RunWindow(dialog, VIEW_DETAIL,
              [&](TestMonitorDlg& d) { d.Do([](TestMonitorDlg& w) { w.StatusTick(); }); });
    EXPECT_TRUE(watcher.Boxes().empty());
}

TEST_F(MonitorWindowTest, AnotherModelAtThePortShowsStatus16) {
    printer_.SetString(simstore::DeviceIdValue, "MFG:Vorne;MDL:Vorne Osprey O3;CLS:PRINTER;");
    TestMonitorDlg dialog;
    RunWindow(dialog, VIEW_DETAIL, [&](TestMonitorDlg& d) {
        d.Do([&](TestMonitorDlg& w) {
            w.StatusTick();
            EXPECT_EQ(w.m_StatusNumber, 16);
            EXPECT_EQ(Item(w.m_hWnd, IDC_MESSAGE), Text(3025));
        });
    });
    printer_.SetString(simstore::DeviceIdValue, simstore::DefaultDeviceId(demo::Model));
}

TEST_F(MonitorWindowTest, PopupClosesByItselfWhenTheAlertIsOver) {
    printer_.SetBytes(simstore::ReplyValue, kPaperOut);
    TestMonitorDlg dialog;
    int result = RunWindow(dialog, VIEW_POPUP, [&](TestMonitorDlg& d) {
        d.Do([&](TestMonitorDlg& w) {
            w.StatusTick();
            EXPECT_EQ(w.m_StatusNumber, 5);
            EXPECT_EQ(w.IsNotifyStatus(5), 1);
        });
        d.Do([&](TestMonitorDlg& w) {
            EXPECT_EQ(w.IsNotifyStatus(1), 0) << "ready is no alert";
            printer_.SetBytes(simstore::ReplyValue, kReady);
            EXPECT_EQ(w.CanAutoClose(1), 1);
            w.StatusTick();
            EXPECT_EQ(w.m_StatusNumber, 1);
        });
        // The end closes the status channel first, which stops the library's watcher.
        EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(d.Window()); }))
            << "paper reloaded: the alert ended";
    });
    EXPECT_EQ(result, IDCANCEL);
}

TEST_F(MonitorWindowTest, StatusNotificationOnlyFromTheOwnChannel) {
    TestMonitorDlg dialog;
    RunWindow(dialog, VIEW_DETAIL, [&](TestMonitorDlg& d) {
        int channel = 0;
        d.Do([&](TestMonitorDlg& w) {
            w.StatusTick();
            channel = w.m_Channel.m_hStat;
            w.m_StatusNumber = StatusNumberNone; // marks whether a notice read the reply
        });
        ASSERT_NE(channel, 0);
        for (LPARAM bogus : {LPARAM(0), LPARAM(channel + 1000), LPARAM(-1)})
            ::SendMessageA(d.Window(), WM_KLAPI_STATUS, 0, bogus);
        d.Do([&](TestMonitorDlg& w) {
            EXPECT_EQ(w.m_StatusNumber, StatusNumberNone) << "bogus handles are ignored";
        });
        ::SendMessageA(d.Window(), WM_KLAPI_STATUS, 0, channel);
        d.Do([&](TestMonitorDlg& w) { EXPECT_EQ(w.m_StatusNumber, 1); });
    });
}

TEST_F(MonitorWindowTest, ServiceCallErrorIsShownFromTheStoredText) {
    Registry data(HKEY_CURRENT_USER, "software\\VORNE\\KVR7\\KVRData", true);
    EXPECT_TRUE(data.SetString(demo::PrinterName, "E-0815 call service"));
    MessageBoxWatcher watcher;
    TestMonitorDlg dialog;
    RunWindow(dialog, VIEW_DETAIL, [&](TestMonitorDlg& d) {
        ::SendMessageA(d.Window(), WM_COMMAND, ID_SERVICE_CALL_ERROR, 0);
    });
    data.DeleteValue(demo::PrinterName);
    auto boxes = watcher.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, L"Service Call Error!");
    EXPECT_EQ(boxes[0].text, L"E-0815 call service");
}

TEST_F(MonitorWindowTest, ProgressMeterFollowsAJobToItsEndAndCloses) {
    const int32_t number = AddJob(41, "Quarterly report.pdf");
    TestMonitorDlg dialog;
    int result = RunWindow(dialog, VIEW_PROGRESS, [&](TestMonitorDlg& d) {
        ASSERT_TRUE(WaitOnWindow(d, [](TestMonitorDlg& w) {
            w.ProgressTick();
            return w.m_CurrentJob.jobId == 41;
        }));
        d.Do([&](TestMonitorDlg& w) {
            HWND h = w.m_hWnd;
            EXPECT_TRUE(::IsWindowVisible(h)) << "shown without taking the focus";
            EXPECT_NE(::GetForegroundWindow(), h);
            EXPECT_EQ(Item(h, IDC_DOCUMENT_PM), "Quarterly report.pdf");
            EXPECT_EQ(Item(h, IDC_SHEETS), "Sheet 1 of 4");
            EXPECT_EQ(Item(h, IDC_TIME_LEFT), "About 59 sec left");
            EXPECT_EQ(Item(h, IDC_DETAILS), Text(1560) + " : " + Text(1563) + "\r\n" + Text(1500) +
                                                " : " + w.PaperSizeName(9) + "\r\n");
            EXPECT_EQ(w.m_Progress.Layout().empty, 0) << "the bar shows the progress";
            EXPECT_EQ(Item(h, IDC_PAUSE), Text(1602));
        });
        EndJob(number, 41);
        ASSERT_TRUE(WaitOnWindow(d, [](TestMonitorDlg& w) {
            w.ProgressTick();
            return w.m_CurrentJob.jobId == 0;
        }));
        d.Do([&](TestMonitorDlg& w) {
            EXPECT_EQ(Item(w.m_hWnd, IDC_TIME_LEFT), "About 0 sec left") << "shown complete";
            EXPECT_TRUE(::IsWindowVisible(w.m_hWnd));
        });
        // Once the monitor has dropped the job, the next tick ends the meter.
        EXPECT_TRUE(WaitUntil([&] {
            d.Do([](TestMonitorDlg& w) { w.ProgressTick(); });
            return !::IsWindow(d.Window());
        })) << "the last job gone: the meter closed";
    });
    EXPECT_EQ(result, IDCANCEL);
}

TEST_F(MonitorWindowTest, PauseSendsOneCommandUntilTheStateChanges) {
    const int32_t number = AddJob(52, "Photos");
    TestMonitorDlg dialog;
    RunWindow(dialog, VIEW_PROGRESS, [&](TestMonitorDlg& d) {
        ASSERT_TRUE(WaitOnWindow(d, [](TestMonitorDlg& w) {
            w.ProgressTick();
            return w.m_CurrentJob.jobId == 52;
        }));
        HWND pause = ::GetDlgItem(d.Window(), IDC_PAUSE);
        ::SendMessageA(pause, BM_CLICK, 0, 0);
        ::SendMessageA(pause, BM_CLICK, 0, 0);
        d.Do([&](TestMonitorDlg& w) { EXPECT_FALSE(Enabled(w.m_hWnd, IDC_PAUSE)); });
        ASSERT_TRUE(WaitOnWindow(d, [&](TestMonitorDlg&) {
            std::lock_guard<std::mutex> hold(pm_->lock);
            return !pm_->commands.empty();
        }));
        pm_->With([&](FakePrintManager& p) { p.Find(number)->state = 0x11; });
        ASSERT_TRUE(WaitOnWindow(d, [&](TestMonitorDlg& w) {
            w.ProgressTick();
            return Item(w.m_hWnd, IDC_PAUSE) == Text(1603);
        }));
        d.Do([&](TestMonitorDlg& w) { EXPECT_TRUE(Enabled(w.m_hWnd, IDC_PAUSE)); });
        {
            std::lock_guard<std::mutex> hold(pm_->lock);
            ASSERT_EQ(pm_->commands.size(), 1u);
            EXPECT_EQ(pm_->commands[0], std::make_pair(number, 1));
        }
        EndAllJobs();
    });
}

TEST_F(MonitorWindowTest, CancelledJobIsNotShownComplete) {
    const int32_t number = AddJob(61, "Draft");
    TestMonitorDlg dialog;
    RunWindow(dialog, VIEW_PROGRESS, [&](TestMonitorDlg& d) {
        ASSERT_TRUE(WaitOnWindow(d, [](TestMonitorDlg& w) {
            w.ProgressTick();
            return w.m_CurrentJob.jobId == 61;
        }));
        ::SendMessageA(::GetDlgItem(d.Window(), IDC_CANCEL_PM), BM_CLICK, 0, 0);
        ASSERT_TRUE(WaitOnWindow(d, [&](TestMonitorDlg&) {
            std::lock_guard<std::mutex> hold(pm_->lock);
            return !pm_->commands.empty();
        }));
        EXPECT_EQ(pm_->commands[0], std::make_pair(number, 3));
        AddJob(62, "Second"); // keeps the meter alive after the first
        EndJob(number, 61);
        ASSERT_TRUE(WaitOnWindow(d, [](TestMonitorDlg& w) {
            w.ProgressTick();
            return w.m_CurrentJob.jobId == 62 || w.m_CurrentJob.jobId == 0;
        }));
        d.Do([&](TestMonitorDlg& w) {
            EXPECT_NE(Item(w.m_hWnd, IDC_TIME_LEFT), "About 0 sec left");
        });
        EndAllJobs();
    });
}

TEST_F(MonitorWindowTest, DetailRequestOpensTheDetailViewOfAHiddenMeter) {
    TestMonitorDlg dialog;
    RunWindow(dialog, VIEW_PROGRESS, [&](TestMonitorDlg& d) {
        ::SendMessageA(d.Window(), WM_SHOW_DETAIL, 0, 0);
        d.Do([&](TestMonitorDlg& w) {
            EXPECT_EQ(w.m_View, VIEW_DETAIL);
            EXPECT_EQ(w.m_StartView, VIEW_DETAIL);
            EXPECT_TRUE(::IsWindowVisible(w.m_hWnd));
            EXPECT_EQ(Item(w.m_hWnd, IDC_MESSAGE), Text(2001));
        });
    });
}

TEST_F(MonitorWindowTest, CloseInTheDetailViewWithJobsLeftTurnsIntoTheMeter) {
    AddJob(71, "Letter");
    TestMonitorDlg dialog;
    int result = RunWindow(dialog, VIEW_DETAIL, [&](TestMonitorDlg& d) {
        ::SendMessageA(::GetDlgItem(d.Window(), IDOK), BM_CLICK, 0, 0);
        d.Do([&](TestMonitorDlg& w) {
            EXPECT_EQ(w.m_View, VIEW_PROGRESS);
            EXPECT_EQ(w.m_StartView, VIEW_PROGRESS);
            EXPECT_FALSE(::IsWindowVisible(w.m_hWnd));
        });
        EndAllJobs();
    });
    EXPECT_EQ(result, IDCANCEL);
}

TEST_F(MonitorWindowTest, WithoutTheInkLibraryTheWindowOpensWithABlankInkArea) {
    ::FreeLibrary(ink_);
    ink_ = nullptr;
    WNDCLASSEXA info = {};
    info.cbSize = sizeof info;
    ASSERT_FALSE(::GetClassInfoExA(nullptr, "KvrInkLevel", &info)) << "the ink library is gone";
    TestMonitorDlg dialog;
    RunWindow(dialog, VIEW_DETAIL, [&](TestMonitorDlg& d) {
        d.Do([&](TestMonitorDlg& w) {
            w.StatusTick();
            EXPECT_EQ(w.m_StatusNumber, 1);
            EXPECT_EQ(Item(w.m_hWnd, IDC_MESSAGE), Text(3004));
            EXPECT_NE(::GetDlgItem(w.m_hWnd, IDC_INK_1), nullptr) << "a blank control stands in";
        });
    });
    EXPECT_FALSE(::GetClassInfoExA(nullptr, "KvrInkLevel", &info)) << "the stand-in is gone again";
}

TEST_F(MonitorWindowTest, UnknownSpoolerPrinterRefusesTheWindow) {
    MessageBoxWatcher watcher;
    TestMonitorDlg dialog;
    int result = RunWindow(
        dialog, VIEW_POPUP, [](TestMonitorDlg&) {}, "NoSuchQueue", false);
    EXPECT_EQ(result, 2);
    EXPECT_EQ(dialog.Window(), nullptr);
    auto boxes = watcher.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, Widen(Text(1223)));
    EXPECT_EQ(boxes[0].caption, Widen(Text(1236)));
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new monitortest::DemoInstallation);
    return RUN_ALL_TESTS();
}
