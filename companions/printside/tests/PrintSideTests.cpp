// printside.exe as the monitor window meets it: the shared tables with the
// printer's record, and the job mapping while a job prints.
#include <gtest/gtest.h>

#include <windows.h>
#include <string>
#include <vector>

#include "framework/Handles.h"
#include "support/Registry.h"
#include "jobs/KvrMapFormat.h"
#include "jobs/SetKvrMapValue.h"

namespace {

// printside.exe with the given arguments, or "@program arguments" for another
// program of the test folder; ended at destruction if still running.
class Program {
public:
    explicit Program(const std::string& arguments) {
        char path[MAX_PATH];
        DWORD length = ::GetModuleFileNameA(nullptr, path, sizeof path);
        std::string exe(path, length);
        exe.erase(exe.rfind('\\') + 1);
        // "@program rest" runs another program of the folder.
        std::string rest = arguments;
        if (!rest.empty() && rest[0] == '@') {
            size_t space = rest.find(' ');
            exe += rest.substr(1, space - 1);
            rest = space == std::string::npos ? "" : rest.substr(space + 1);
        } else {
            exe += "printside.exe";
        }
        std::string command = "\"" + exe + "\" " + rest;
        // Its report goes nowhere; the tests look at what it leaves behind.
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        quiet.reset(::CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING,
                                  0, nullptr));
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = quiet.get();
        startup.hStdError = quiet.get();
        PROCESS_INFORMATION info{};
        if (::CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                             &startup, &info)) {
            ::CloseHandle(info.hThread);
            process.reset(info.hProcess);
            pid = info.dwProcessId;
        }
    }
    ~Program() {
        if (process && ::WaitForSingleObject(process.get(), 0) != WAIT_OBJECT_0)
            ::TerminateProcess(process.get(), 1);
    }
    DWORD Wait(DWORD milliseconds) {
        DWORD code = 259;
        if (::WaitForSingleObject(process.get(), milliseconds) == WAIT_OBJECT_0)
            ::GetExitCodeProcess(process.get(), &code);
        return code;
    }

    UniqueFile quiet;
    UniqueKernelHandle process;
    DWORD pid = 0;
};

bool MappingExists(const char* name) {
    UniqueKernelHandle mapping(::OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name));
    return static_cast<bool>(mapping);
}

bool WaitUntil(bool (*test)(const char*), const char* name, bool wanted, int seconds) {
    for (int i = 0; i < seconds * 50; ++i) {
        if (test(name) == wanted)
            return true;
        ::Sleep(20);
    }
    return false;
}

TEST(PrintSideTest, HoldsTheRecordAndTheJobMappingWhilePrinting) {
    Program side("run Kestrel_K7 USB001 \"Vorne Kestrel K7\" --jobs 1 --job-seconds 2 "
                 "--status-ms 200 --channel-id 0");
    ASSERT_TRUE(side.process);
    ASSERT_TRUE(WaitUntil(MappingExists, "V_KVRS_Kestrel_K7", true, 10));

    // The window's registration finds the record printside entered.
    EXPECT_EQ(SetKvrMapValue("kestrel_k7", "USB001", 0x4321, 1), 0);
    UniqueKernelHandle table(
        ::OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, KvrShortTable.mappingName));
    ASSERT_TRUE(table);
    UniqueMapView view(::MapViewOfFile(table.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
    const auto* bytes = static_cast<const uint8_t*>(view.get());
    KvrFindResult found = KvrFind(bytes, KvrShortTable.mappingSize, KvrShortTable, "Kestrel_K7");
    ASSERT_EQ(found.outcome, KvrFindResult::Found);
    EXPECT_EQ(KvrReadField(bytes + found.offset, KvrShortTable, 0), static_cast<int32_t>(side.pid));
    EXPECT_EQ(KvrReadField(bytes + found.offset, KvrShortTable, 1), 0x4321);

    EXPECT_EQ(side.Wait(15000), 0u);
    EXPECT_FALSE(MappingExists("V_KVRS_Kestrel_K7"));
    // printside released its own field; the window's value keeps the record.
    EXPECT_EQ(KvrReadField(bytes + found.offset, KvrShortTable, 0), 0);
    EXPECT_EQ(bytes[found.offset], 'K');
}

TEST(PrintSideTest, NetworkNamesBecomeSlashesInTheJobMapping) {
    Program side("run \\\\PRINTSRV\\Kestrel_K7 USB001 \"Vorne Kestrel K7\" --job-seconds 2 "
                 "--channel-id 0");
    ASSERT_TRUE(WaitUntil(MappingExists, "V_KVRS_//PRINTSRV/Kestrel_K7", true, 10));
    EXPECT_EQ(side.Wait(15000), 0u);
}

TEST(PrintSideTest, PortIsTheKeyWithoutAPrinterName) {
    Program side("run \"\" USB007 \"Vorne Kestrel K7\" --job-seconds 2 --channel-id 0");
    ASSERT_TRUE(WaitUntil(MappingExists, "V_KVRS_USB007", true, 10));
    EXPECT_EQ(SetKvrMapValue("", "USB007", 5, 1), 0);
    EXPECT_EQ(side.Wait(15000), 0u);
}

// Runs a program of the test's folder to its end; its exit code.
DWORD RunTool(const std::string& arguments) {
    Program tool(arguments);
    return tool.Wait(30000);
}

// With the demo model installed and the simulated printer answering, the
// status calls of a printing job store the reply and the communication state.
TEST(PrintSideTest, StatusCallsStoreTheReplyInThePrinterKey) {
    char folder[MAX_PATH];
    DWORD length = ::GetModuleFileNameA(nullptr, folder, sizeof folder);
    std::string dir(folder, length);
    dir.erase(dir.rfind('\\'));
    ASSERT_EQ(RunTool("@kvrinstall.exe install \"" + dir + "\""), 0u);
    const std::string reply = "@BDC ST\r\nST:04;IQ:5A4B3C2D1E64;\f";
    ASSERT_EQ(
        RunTool("@simprinter.exe set Kestrel_K7 reply \"@BDC ST\\r\\nST:04;IQ:5A4B3C2D1E64;\\f\""),
        0u);

    EXPECT_EQ(RunTool("run Kestrel_K7 USB001 \"Vorne Kestrel K7\" --job-seconds 1 --status-ms 200"),
              0u);

    std::string key;
    {
        Registry base(HKEY_CURRENT_USER, "software\\VORNE\\KVR7\\KVRData\\VRLTarget");
        for (DWORD i = 0; key.empty(); ++i) {
            std::string sub = base.EnumKey(i);
            if (sub.empty())
                break;
            std::string path = "software\\VORNE\\KVR7\\KVRData\\VRLTarget\\" + sub;
            if (Registry(HKEY_CURRENT_USER, path.c_str()).GetString("Name", "", 256) ==
                "Kestrel_K7")
                key = path;
        }
    }
    ASSERT_FALSE(key.empty()) << "the demo installation has a key for Kestrel_K7";
    Registry printer(HKEY_CURRENT_USER, key.c_str());
    std::vector<BYTE> stored = printer.GetBinary("Status");
    EXPECT_EQ(std::string(stored.begin(), stored.end()), reply);
    EXPECT_EQ(printer.GetDword("ComStatus", 99), 1u);

    EXPECT_EQ(RunTool("@kvrinstall.exe remove"), 0u);
}

TEST(PrintSideTest, RefusesBadArguments) {
    EXPECT_EQ(Program("run Kestrel_K7").Wait(10000), 2u);
    EXPECT_EQ(Program("run Kestrel_K7 USB001 M --jobs many").Wait(10000), 2u);
    EXPECT_EQ(Program("claim Kestrel_K7 9 1").Wait(10000), 2u);
    EXPECT_EQ(Program("dance").Wait(10000), 2u);
}

} // namespace
