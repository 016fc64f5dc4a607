#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <string>
#include <vector>

#include "device/ChannelRecovery.h"
#include "device/PortRouting.h"
#include "support/Registry.h"
#include "tests/ui/UiTestSupport.h"

namespace {

// Records what the repair asks its window to show (the window's own tests
// look at the boxes themselves).
struct ToldMessages : RecoveryMessages {
    std::vector<UINT> ids;
    void ShowRecoveryMessage(UINT textId) override { ids.push_back(textId); }
};

const char* const DoubleKey = "Software\\PqifTests\\KlapisetDouble";
const char* const SpoolerPrinter = "PqifUiPrinter"; // made by the tests' print scheduler

// The registry the repair reads, kept as it was around each test.
class RecoveryFixture : public ::testing::Test {
protected:
    RecoveryFixture()
        : router(HKEY_LOCAL_MACHINE, RequestRouterKeyPath),
          common(HKEY_LOCAL_MACHINE, ChannelRecovery::KvrCommonKeyPath),
          klapi(HKEY_LOCAL_MACHINE, ChannelRecovery::KlapiInfoKeyPath),
          tool(HKEY_CURRENT_USER, DoubleKey) {}
    void SetUp() override {
        ASSERT_TRUE(resources.module());
        router.Clear();
        common.Clear();
        klapi.Clear();
        tool.Clear();
        Router({"LPT1:", "KLPIP_192.0.2.7"});
        common.SetDword("KLAPIRECOVER", 1);
        klapi.SetString("InstallDir", UiTestDir());
    }
    void Router(std::initializer_list<const char*> values) const {
        router.Clear();
        int i = 0;
        for (const char* value : values) {
            char name[8];
            std::snprintf(name, sizeof name, "KLP%02d", i);
            router.SetString(name, value);
            i += 7;
        }
    }
    // The tool is started without waiting for it, so its record of the run
    // comes when it has run: count only once no copy of it is left running.
    DWORD ToolRuns() const {
        WaitForToolsToEnd();
        Registry key(HKEY_CURRENT_USER, DoubleKey);
        return key.GetDword("Runs", 0);
    }
    static bool ToolRunning() {
        HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        if (snapshot == INVALID_HANDLE_VALUE)
            return false;
        PROCESSENTRY32 entry = {};
        entry.dwSize = sizeof entry;
        bool found = false;
        for (BOOL more = ::Process32First(snapshot, &entry); more && !found;
             more = ::Process32Next(snapshot, &entry))
            found = ::lstrcmpiA(entry.szExeFile, "klapiset.exe") == 0;
        ::CloseHandle(snapshot);
        return found;
    }
    static void WaitForToolsToEnd() {
        const ULONGLONG deadline = ::GetTickCount64() + 30000;
        while (ToolRunning() && ::GetTickCount64() < deadline)
            ::Sleep(20);
        EXPECT_FALSE(ToolRunning()) << "the setup tool's double did not end";
    }
    // A later test must not see the record of this one's tools.
    void TearDown() override { WaitForToolsToEnd(); }
    // A repair whose tool (the double, answering nowhere) was started.
    static void StartTool(ChannelRecovery& recovery) {
        recovery.RecoverChannel(VIEW_DETAIL);
        EXPECT_EQ(recovery.State(), ChannelRecovery::AwaitingTool);
    }
    static void ExpectOneBox(const ToldMessages& watcher, UINT id) {
        EXPECT_EQ(watcher.ids, std::vector<UINT>{id});
    }

    ResourceModuleScope resources;
    KeyBackup router;
    KeyBackup common;
    KeyBackup klapi;
    KeyBackup tool;
};

TEST_F(RecoveryFixture, RouterKindsAreRecognisedInAnyCaseAndSharesCountForNothing) {
    Router({"lpt1:", "KlpIp_192.0.2.7", "ipx_0001"});
    EXPECT_EQ(IsRouterComplete(), 1);
    Router({"LPT1:", "KLPIP_192.0.2.7", "SHARE_IPX"});
    EXPECT_EQ(IsRouterComplete(), 0);
    Registry parent(HKEY_LOCAL_MACHINE, "software\\VORNE\\KLPrinter", false, KEY_ALL_ACCESS);
    parent.DeleteKey("KLRequestRouter");
    EXPECT_EQ(IsRouterComplete(), 1) << "no router key counts as complete";
}

TEST_F(RecoveryFixture, CompleteRouterNeedsNoRepairAndAsksNothing) {
    Router({"LPT1:", "KLPIP_192.0.2.7", "IPX_0001"});
    ToldMessages watcher;
    ChannelRecovery recovery(nullptr, SpoolerPrinter, &watcher);
    recovery.RecoverChannel(VIEW_POPUP);
    EXPECT_EQ(recovery.State(), ChannelRecovery::NotNeeded);
    EXPECT_TRUE(watcher.ids.empty()) << "KLAPIRECOVER was not even read";
}

TEST_F(RecoveryFixture, RepairNotAllowedIsRefusedQuietly) {
    for (bool missing : {false, true}) {
        if (missing)
            common.Clear();
        else
            common.SetDword("KLAPIRECOVER", 0);
        ToldMessages watcher;
        ChannelRecovery recovery(nullptr, SpoolerPrinter, &watcher);
        recovery.RecoverChannel(VIEW_DETAIL);
        EXPECT_EQ(recovery.State(), ChannelRecovery::Refused);
        EXPECT_TRUE(watcher.ids.empty());
    }
}

TEST_F(RecoveryFixture, PopupViewTellsTheUserAndStartsNothing) {
    ToldMessages watcher;
    ChannelRecovery recovery(nullptr, SpoolerPrinter, &watcher);
    recovery.RecoverChannel(VIEW_POPUP);
    EXPECT_EQ(recovery.State(), ChannelRecovery::Refused);
    ExpectOneBox(watcher, 1228);
    EXPECT_EQ(ToolRuns(), 0u);
    recovery.RecoverChannel(VIEW_DETAIL);
    EXPECT_EQ(ToolRuns(), 0u) << "a refused repair is never tried again";
}

TEST_F(RecoveryFixture, ProgressMeterLeavesTheRepairForLater) {
    ToldMessages watcher;
    ChannelRecovery recovery(nullptr, SpoolerPrinter, &watcher);
    recovery.RecoverChannel(VIEW_PROGRESS);
    EXPECT_EQ(recovery.State(), ChannelRecovery::NotTried);
    EXPECT_TRUE(watcher.ids.empty());
}

TEST_F(RecoveryFixture, NonAdministratorIsToldAndNothingStarts) {
    EXPECT_EQ(IsUserAdmin(), 1) << "the test user is an administrator";
    // The same user with the Administrators group kept for denying only.
    HANDLE process = nullptr, restricted = nullptr, impersonation = nullptr;
    ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_ALL_ACCESS, &process));
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID admins = nullptr;
    ASSERT_TRUE(::AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                           DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &admins));
    SID_AND_ATTRIBUTES disable = {admins, 0};
    ASSERT_TRUE(
        ::CreateRestrictedToken(process, 0, 1, &disable, 0, nullptr, 0, nullptr, &restricted));
    ASSERT_TRUE(::DuplicateToken(restricted, SecurityImpersonation, &impersonation));
    ASSERT_TRUE(::SetThreadToken(nullptr, impersonation));
    EXPECT_EQ(IsUserAdmin(), 0);
    {
        ToldMessages watcher;
        ChannelRecovery recovery(nullptr, SpoolerPrinter, &watcher);
        recovery.RecoverChannel(VIEW_DETAIL);
        EXPECT_EQ(recovery.State(), ChannelRecovery::Refused);
        ExpectOneBox(watcher, 1235);
    }
    ::RevertToSelf();
    ::CloseHandle(impersonation);
    ::CloseHandle(restricted);
    ::CloseHandle(process);
    ::FreeSid(admins);
    EXPECT_EQ(IsUserAdmin(), 1);
    EXPECT_EQ(ToolRuns(), 0u);
}

TEST_F(RecoveryFixture, MissingToolDirectoryOrPrinterEndsQuietly) {
    Registry parent(HKEY_LOCAL_MACHINE, "software\\VORNE", false, KEY_ALL_ACCESS);
    parent.DeleteKey("KLAPIInfo");
    ToldMessages watcher;
    ChannelRecovery noTool(nullptr, SpoolerPrinter, &watcher);
    noTool.RecoverChannel(VIEW_DETAIL);
    EXPECT_EQ(noTool.State(), ChannelRecovery::Refused);

    klapi.SetString("InstallDir", UiTestDir());
    ChannelRecovery noPrinter(nullptr, "Pqif Printer That Does Not Exist", &watcher);
    noPrinter.RecoverChannel(VIEW_DETAIL);
    EXPECT_EQ(noPrinter.State(), ChannelRecovery::Refused);
    EXPECT_TRUE(watcher.ids.empty());
    EXPECT_EQ(ToolRuns(), 0u);
    EXPECT_EQ(GetDriverKeyPath("Pqif Printer That Does Not Exist"), "");
    EXPECT_EQ(GetDriverKeyPath(""), "");
}

TEST_F(RecoveryFixture, AnswerNoToolWasStartedForIsIgnored) {
    ToldMessages watcher;
    ChannelRecovery recovery(nullptr, SpoolerPrinter, &watcher);
    recovery.OnSetupResult(0, 0x200001);
    EXPECT_EQ(recovery.State(), ChannelRecovery::NotTried);
    EXPECT_TRUE(watcher.ids.empty()) << "1224 counts only while the tool is awaited";
}

// The code page decides what the last character of a driver name is.
TEST(SetupToolCommandCodePage, SingleByteCodePageReadsTheLastByteAsABackslash) {
    ASSERT_EQ(::GetACP(), 1252u);
    EXPECT_EQ(ChannelRecovery::SetupToolCommand("C:\\K", "Kestrel \x83\x5C", nullptr), "");
    EXPECT_NE(ChannelRecovery::SetupToolCommand("C:\\K", "Kestrel", nullptr), "");
}

TEST(SetupToolCommandJa, JapaneseNamesEndingInATrailByte0x5CAreKept) {
    ASSERT_EQ(::GetACP(), 932u) << "run with LANG=ja_JP.UTF-8";
    for (const char* driver : {"Kestrel \x83\x5C", "\x95\x5C"}) { // ends in katakana so, kanji hyo
        const std::string command = ChannelRecovery::SetupToolCommand("C:\\K", driver, nullptr);
        EXPECT_NE(command.find(std::string("/AN=\"") + driver + "\" "), std::string::npos)
            << command;
    }
    EXPECT_EQ(ChannelRecovery::SetupToolCommand("C:\\K", "\x83\x5C\\", nullptr), "");
    EXPECT_EQ(ChannelRecovery::SetupToolCommand("C:\\K", "Kestrel \x83", nullptr), "")
        << "half a character";
}

// A hidden window that keeps the last setup-tool answer it was posted.
LPARAM g_answer = -1;
LRESULT CALLBACK AnswerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == 1224) {
        g_answer = lParam;
        return 0;
    }
    return ::DefWindowProcA(hwnd, message, wParam, lParam);
}

HWND MakeAnswerWindow() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = AnswerProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "PqifUiAnswer";
    ::RegisterClassA(&wc);
    return ::CreateWindowExA(0, "PqifUiAnswer", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                             ::GetModuleHandleA(nullptr), nullptr);
}

bool WaitForAnswer() {
    for (int i = 0; i < 400 && g_answer == -1; ++i)
        PumpMessages(50);
    return g_answer != -1;
}

using SpoolerRecovery = RecoveryFixture;

TEST_F(SpoolerRecovery, DriverKeyPathComesFromTheSpooler) {
    EXPECT_EQ(GetPrinterDriverName(SpoolerPrinter), SpoolerPrinter);
    EXPECT_EQ(GetDriverKeyPath(SpoolerPrinter),
              std::string("software\\VORNE\\KVR7\\Driver\\") + SpoolerPrinter);
}

TEST_F(SpoolerRecovery, SetupToolRoundTrip) {
    HWND window = MakeAnswerWindow();
    ASSERT_TRUE(window);
    for (LPARAM bits : {LPARAM(0x1), LPARAM(0x200001)}) {
        tool.SetDword("Bits", static_cast<DWORD>(bits));
        g_answer = -1;
        ChannelRecovery recovery(window, SpoolerPrinter);
        recovery.RecoverChannel(VIEW_DETAIL);
        ASSERT_EQ(recovery.State(), ChannelRecovery::AwaitingTool);

        char expected[512];
        std::snprintf(expected, sizeof expected,
                      "\"%s\\klapiset.exe\" /Act=Ch /AN=\"%s\" /Ret=WM:%08lX;000004C8 /KLP=A:On",
                      UiTestDir().c_str(), SpoolerPrinter,
                      static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(window)));
        EXPECT_EQ(recovery.CommandLine(), expected);

        ASSERT_TRUE(WaitForAnswer()) << "the tool posts 1224 to the window";
        EXPECT_EQ(g_answer, bits);
        Registry key(HKEY_CURRENT_USER, DoubleKey);
        EXPECT_EQ(key.GetString("CommandLine", "", 512), expected);

        ToldMessages watcher;
        recovery.SetMessages(&watcher);
        recovery.OnSetupResult(0, g_answer);
        if (bits == 0x1) {
            EXPECT_EQ(recovery.State(), ChannelRecovery::AwaitingTool)
                << "router still incomplete: status stays suspended";
            ExpectOneBox(watcher, 1229);
        } else {
            EXPECT_EQ(recovery.State(), ChannelRecovery::Refused);
            ExpectOneBox(watcher, 1233);
        }
        recovery.RecoverChannel(VIEW_DETAIL);
        EXPECT_EQ(recovery.State() == ChannelRecovery::NotTried, false);
    }
    EXPECT_EQ(ToolRuns(), 2u);
    ::DestroyWindow(window);
}

TEST_F(SpoolerRecovery, ToolAnswersAreShownInTheirOrder) {
    struct {
        LPARAM bits;
        UINT message; // 0: none
        int state;
    } cases[] = {
        {0x200001, 1233, ChannelRecovery::Refused}, {0x400, 1234, ChannelRecovery::Refused},
        {0x80400, 1234, ChannelRecovery::Refused},  {0x80000, 1235, ChannelRecovery::Refused},
        {0x1, 1229, ChannelRecovery::AwaitingTool}, {0x2, 0, ChannelRecovery::AwaitingTool},
    };
    for (auto c : cases) {
        ChannelRecovery recovery(nullptr, SpoolerPrinter);
        StartTool(recovery);
        ToldMessages watcher;
        recovery.SetMessages(&watcher);
        recovery.OnSetupResult(0, c.bits);
        EXPECT_EQ(recovery.State(), c.state) << std::hex << c.bits;
        if (c.message)
            ExpectOneBox(watcher, c.message);
        else
            EXPECT_TRUE(watcher.ids.empty());
    }
    ChannelRecovery recovery(nullptr, SpoolerPrinter);
    StartTool(recovery);
    Router({"LPT1:", "KLPIP_192.0.2.7", "IPX_0001"}); // the tool completed the router
    ToldMessages watcher;
    recovery.SetMessages(&watcher);
    recovery.OnSetupResult(0, 0x1);
    EXPECT_EQ(recovery.State(), ChannelRecovery::NotNeeded);
    ExpectOneBox(watcher, 1229);
}

ULONGLONG g_now = 0;
ULONGLONG WINAPI FakeNow() {
    return g_now;
}

TEST_F(SpoolerRecovery, SilentToolIsGivenUpOnAfterTheWait) {
    g_now = 1000000;
    ChannelRecovery recovery(nullptr, SpoolerPrinter);
    recovery.SetClock(&FakeNow);
    recovery.RecoverChannel(VIEW_DETAIL);
    ASSERT_EQ(recovery.State(), ChannelRecovery::AwaitingTool);
    g_now += ChannelRecovery::ToolAnswerWaitMs - 1;
    EXPECT_TRUE(recovery.AwaitsTool());
    g_now += 1;
    EXPECT_FALSE(recovery.AwaitsTool()) << "status is read again";
    EXPECT_EQ(recovery.State(), ChannelRecovery::Refused);
    ToldMessages watcher;
    recovery.SetMessages(&watcher);
    recovery.OnSetupResult(0, 0x200000);
    EXPECT_TRUE(watcher.ids.empty()) << "a late answer is not shown";
    recovery.RecoverChannel(VIEW_DETAIL);
    EXPECT_EQ(ToolRuns(), 1u) << "and the repair is not tried again";
}

TEST_F(SpoolerRecovery, ToolFolderMustBeAbsolute) {
    char previous[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, previous);
    // A relative folder would find the tool here.
    ASSERT_TRUE(::SetCurrentDirectoryA(UiTestDir().c_str()));
    for (const char* folder : {".", "", "KLAPI"}) {
        klapi.SetString("InstallDir", folder);
        ChannelRecovery recovery(nullptr, SpoolerPrinter);
        recovery.RecoverChannel(VIEW_DETAIL);
        EXPECT_EQ(recovery.State(), ChannelRecovery::Refused) << folder;
    }
    ::SetCurrentDirectoryA(previous);
    EXPECT_EQ(ToolRuns(), 0u);
}

} // namespace
