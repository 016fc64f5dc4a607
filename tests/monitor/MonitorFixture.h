#pragma once
// The fixture of the window tests: the demo installation (once per program), the
// English resource library and the ink library as the launch loads them, the
// simulated printer, a job monitor over a fake print manager and spooler, and a
// runner for a window of the demo printer in a given start view.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

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

namespace monitortest {

inline const std::string kReady = "@BDC ST\r\nST:04;IQ:5A4B3C2D1E64;\x0C";
inline const std::string kPrinting = "@BDC ST\r\nST:03;IQ:5A4B3C2D1E64;\x0C";
inline const std::string kCyanLow = "@BDC ST\r\nST:04;WR:11;IQ:5A0A3C2D1E64;\x0C";
inline const std::string kCyanOut = "@BDC ST\r\nST:00;ER:05;IQ:5A003C2D1E64;\x0C";
inline const std::string kPaperOut = "@BDC ST\r\nST:00;ER:06;IQ:5A4B3C2D1E64;\x0C";
inline const std::string kCoverOpen = "@BDC ST\r\nST:00;ER:02;IQ:5A4B3C2D1E64;\x0C";

inline std::string TargetKeyPath() {
    return std::string(demo::PrinterTargetsKey) + "\\" + demo::PrinterName;
}

// The demo installation, once for the whole program, into the folder of the
// companions (the ink library is looked up in the install folder).
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
    inline static std::string settingsFile;
};

class MonitorWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        resources_ = ::LoadLibraryA((BinDir() + "\\KVRRES_EN.DLL").c_str());
        ASSERT_NE(resources_, nullptr);
        // The ink controls of the template come from the ink library, as under the launch.
        ink_ = ::LoadLibraryA((BinDir() + "\\KVRINK.DLL").c_str());
        ASSERT_NE(ink_, nullptr);
        previous_ = AfxGetResourceHandle();
        AfxSetResourceHandle(resources_);
        IdleInterval = 10;
        printer_.SetBytes(simstore::ReplyValue, kReady);
        Target().DeleteValue("PopupPOSX");
        Target().DeleteValue("PopupPOSY");
        Target().DeleteValue("Status");
        Target().DeleteValue("ComStatus");
        common_.Clear();
    }
    void TearDown() override {
        EndAllJobs();
        jobs_.reset(); // waits for the worker, which ends with the list
        printer_.SetBytes(simstore::ReplyValue, kReady);
        AfxSetResourceHandle(previous_);
        ::FreeLibrary(resources_);
        ::FreeLibrary(ink_);
    }

    static Registry Target() {
        return Registry(HKEY_CURRENT_USER, TargetKeyPath().c_str(), false, KEY_ALL_ACCESS);
    }
    std::string Text(UINT id) const {
        char buffer[1024] = {};
        ::LoadStringA(resources_, id, buffer, sizeof buffer);
        return buffer;
    }

    // Runs a window of the demo printer in the given start view with script.
    int RunWindow(TestMonitorDlg& dialog, int startView,
                  const std::function<void(TestMonitorDlg&)>& script,
                  const char* printer = demo::PrinterName, bool windowExpected = true) {
        dialog.m_StartView = startView;
        dialog.m_pBinding = &binding_;
        dialog.m_pJobMonitor = jobs_.get();
        dialog.m_hResource = resources_;
        bool scripted = false;
        const int result = RunWithScript(
            dialog,
            [&] {
                return dialog.Run(printer, portName_.c_str(), demo::Model, settingsFile_.c_str(),
                                  nullptr);
            },
            script, &scripted);
        EXPECT_EQ(scripted, windowExpected)
            << "the window " << (windowExpected ? "never opened" : "opened");
        return result;
    }

    static std::string Item(HWND window, int id) {
        char text[1024] = {};
        ::GetDlgItemTextA(window, id, text, sizeof text);
        return text;
    }
    static bool Shown(HWND window, int id) { return ::IsWindowVisible(::GetDlgItem(window, id)); }
    static bool Enabled(HWND window, int id) { return ::IsWindowEnabled(::GetDlgItem(window, id)); }
    static UINT MenuState(HWND window, UINT command) {
        return ::GetMenuState(::GetSystemMenu(window, FALSE), command, MF_BYCOMMAND);
    }

    std::string settingsFile_ = DemoInstallation::settingsFile;
    std::string portName_ = demo::PortName;
    HINSTANCE resources_ = nullptr;
    HMODULE ink_ = nullptr;
    HINSTANCE previous_ = nullptr;
    simstore::SimPrinter printer_{demo::PrinterName};
    KLApiBinding binding_;
    std::shared_ptr<FakePrintManager> pm_ = std::make_shared<FakePrintManager>();
    std::shared_ptr<FakeSpooler> spooler_ = std::make_shared<FakeSpooler>();
    std::unique_ptr<JobMonitor> jobs_ = MakeJobs();
    KeyBackup common_{HKEY_LOCAL_MACHINE, demo::CommonKey};

    std::unique_ptr<JobMonitor> MakeJobs() {
        std::shared_ptr<FakePrintManager> pm = pm_;
        auto monitor = std::make_unique<JobMonitor>(
            [pm] { return std::make_unique<FakeClient>(pm); }, spooler_, JobMonitorTiming{5, 0});
        monitor->SetPrinter(demo::PrinterName, demo::PortName);
        return monitor;
    }
    // A job the fake print manager prints and the spooler knows.
    int32_t AddJob(int32_t spoolerId, const std::string& document) {
        FakeJob job;
        job.spoolerId = spoolerId;
        job.document = document;
        job.sheets[0] = 1;
        job.sheets[1] = 4;
        job.progress[0] = 100;
        job.progress[1] = 400;
        job.timeLeft = 59;
        spooler_->Learn(spoolerId);
        int32_t number = pm_->Add(job);
        jobs_->AddJob(spoolerId);
        return number;
    }
    void EndJob(int32_t number, int32_t spoolerId) {
        pm_->With([&](FakePrintManager& p) { p.Find(number)->active = false; });
        spooler_->Forget({spoolerId});
    }
    void EndAllJobs() {
        pm_->With([](FakePrintManager& p) {
            for (FakeJob& job : p.jobs)
                job.active = false;
        });
        spooler_->ForgetAll();
    }
};

} // namespace monitortest
