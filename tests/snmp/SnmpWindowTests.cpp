// The monitor window of the demo printer while it answers from the loopback
// SNMP agent: a few conditions of the SNMP table, read by the window's own
// status ticks, with the message and status the user then sees.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "SnmpTestSupport.h"
#include "companions/install/DemoModel.h"
#include "companions/install/Installation.h"
#include "companions/klapi/SimStore.h"
#include "device/KLApiBinding.h"
#include "exports/StatusLibraryApp.h"
#include "framework/ResourceModule.h"
#include "jobs/JobMonitor.h"
#include "support/Registry.h"
#include "tests/jobs/FakePrintManager.h"
#include "tests/monitor/MonitorHarness.h"
#include "tests/ui/UiTestSupport.h"

namespace {

class DemoInstallation : public ::testing::Environment {
public:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(install::Install(BinDir(), BinDir() + "\\sounds", &error)) << error;
        Registry profile(HKEY_LOCAL_MACHINE, demo::ProfileKey);
        settingsFile = profile.GetString(demo::Model, "", 260);
    }
    void TearDown() override {
        std::string removedFrom, error;
        install::Remove(&removedFrom, &error);
    }
    static std::string settingsFile;
};
std::string DemoInstallation::settingsFile;

class SnmpWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(snmptest::AgentAddress().empty()) << "PQIF_SNMP_AGENT is not set";
        ASSERT_TRUE(snmptest::ReadyPrinter().Write());
        resources_ = ::LoadLibraryA((BinDir() + "\\KVRRES_EN.DLL").c_str());
        ASSERT_NE(resources_, nullptr);
        ink_ = ::LoadLibraryA((BinDir() + "\\KVRINK.DLL").c_str());
        ASSERT_NE(ink_, nullptr);
        previous_ = AfxGetResourceHandle();
        AfxSetResourceHandle(resources_);
        IdleInterval = 10;
        printer_.SetString(simstore::SnmpAgentValue, snmptest::AgentAddress());
        printer_.SetDword(simstore::SnmpTimeoutValue, 500);
        common_.Clear();
    }
    void TearDown() override {
        jobs_.reset();
        printer_.DeleteValue(simstore::SnmpAgentValue);
        printer_.DeleteValue(simstore::SnmpTimeoutValue);
        printer_.DeleteValue(simstore::SnmpPolledAtValue);
        AfxSetResourceHandle(previous_);
        ::FreeLibrary(resources_);
        ::FreeLibrary(ink_);
        snmptest::ReadyPrinter().Write();
    }
    std::string Text(UINT id) const {
        char buffer[1024] = {};
        ::LoadStringA(resources_, id, buffer, sizeof buffer);
        return buffer;
    }
    static std::string Item(HWND window, int id) {
        char text[1024] = {};
        ::GetDlgItemTextA(window, id, text, sizeof text);
        return text;
    }

    HINSTANCE resources_ = nullptr;
    HMODULE ink_ = nullptr;
    HINSTANCE previous_ = nullptr;
    simstore::SimPrinter printer_{demo::PrinterName};
    KLApiBinding binding_;
    std::shared_ptr<FakePrintManager> pm_ = std::make_shared<FakePrintManager>();
    std::shared_ptr<FakeSpooler> spooler_ = std::make_shared<FakeSpooler>();
    std::unique_ptr<JobMonitor> jobs_ = std::make_unique<JobMonitor>(
        [pm = pm_] { return std::make_unique<FakeClient>(pm); }, spooler_, JobMonitorTiming{5, 0});
    KeyBackup common_{HKEY_LOCAL_MACHINE, demo::CommonKey};
};

TEST_F(SnmpWindowTest, TheDetailViewShowsEachConditionAsTheStatusQueryDoes) {
    struct Case {
        const char* name;
        snmptest::MibData data;
        int status;
        std::string text;
    };
    snmptest::MibData doorOpen;
    doorOpen.Printer(5, 1, "08 00").SixInks({80, 70, 60, 50, 40, 30});
    snmptest::MibData magentaOut;
    magentaOut.Printer(5, 1, "10 00").SixInks({80, 70, 0, 50, 40, 30});
    const Case cases[] = {
        {"ready", snmptest::ReadyPrinter(), 1, Text(3004)},
        {"door open", doorOpen, 32, Text(3008)},
        {"cyan low (alert)", snmptest::ReadyPrinter().Alert(1, 4, 11, 2, 1105), 13,
         Text(3018) + Text(3053)},
        {"magenta out", magentaOut, 4, Text(3024) + Text(3054)},
        {"waste box full", snmptest::ReadyPrinter().WasteBox(0), 33, Text(3042)},
        {"asleep", snmptest::ReadyPrinter().Alert(1, 4, 6, 1, 23), 21, Text(3005)},
    };
    jobs_->SetPrinter(demo::PrinterName, demo::PortName);
    TestMonitorDlg dialog;
    dialog.m_StartView = VIEW_DETAIL;
    dialog.m_pBinding = &binding_;
    dialog.m_pJobMonitor = jobs_.get();
    dialog.m_hResource = resources_;
    bool scripted = false;
    RunWithScript(
        dialog,
        [&] {
            return dialog.Run(demo::PrinterName, demo::PortName, demo::Model,
                              DemoInstallation::settingsFile.c_str(), nullptr);
        },
        [&](TestMonitorDlg& d) {
            for (const Case& c : cases) {
                SCOPED_TRACE(c.name);
                ASSERT_TRUE(c.data.Write());
                printer_.SetDword(simstore::SnmpPolledAtValue, 0);
                d.Do([&](TestMonitorDlg& w) {
                    w.StatusTick();
                    EXPECT_EQ(w.m_StatusNumber, c.status);
                    EXPECT_EQ(Item(w.m_hWnd, IDC_MESSAGE), c.text);
                });
            }
        },
        &scripted);
    EXPECT_TRUE(scripted);
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new DemoInstallation);
    return RUN_ALL_TESTS();
}
