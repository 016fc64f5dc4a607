// printside.exe as the monitor window meets it: the shared tables with the
// printer's record, and the job mapping while a job prints.
#include <gtest/gtest.h>

#include <windows.h>
#include <string>

#include "framework/Handles.h"
#include "jobs/KvrMapFormat.h"
#include "jobs/SetKvrMapValue.h"

namespace {

class PrintSide {
public:
    explicit PrintSide(const std::string& arguments) {
        char path[MAX_PATH];
        DWORD length = ::GetModuleFileNameA(nullptr, path, sizeof path);
        std::string exe(path, length);
        exe.erase(exe.rfind('\\') + 1);
        exe += "printside.exe";
        std::string command = "\"" + exe + "\" " + arguments;
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
    ~PrintSide() {
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
    PrintSide side("run Kestrel_K7 USB001 \"Vorne Kestrel K7\" --jobs 1 --job-seconds 2 "
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
    PrintSide side("run \\\\PRINTSRV\\Kestrel_K7 USB001 \"Vorne Kestrel K7\" --job-seconds 2 "
                   "--channel-id 0");
    ASSERT_TRUE(WaitUntil(MappingExists, "V_KVRS_//PRINTSRV/Kestrel_K7", true, 10));
    EXPECT_EQ(side.Wait(15000), 0u);
}

TEST(PrintSideTest, PortIsTheKeyWithoutAPrinterName) {
    PrintSide side("run \"\" USB007 \"Vorne Kestrel K7\" --job-seconds 2 --channel-id 0");
    ASSERT_TRUE(WaitUntil(MappingExists, "V_KVRS_USB007", true, 10));
    EXPECT_EQ(SetKvrMapValue("", "USB007", 5, 1), 0);
    EXPECT_EQ(side.Wait(15000), 0u);
}

TEST(PrintSideTest, RefusesBadArguments) {
    EXPECT_EQ(PrintSide("run Kestrel_K7").Wait(10000), 2u);
    EXPECT_EQ(PrintSide("run Kestrel_K7 USB001 M --jobs many").Wait(10000), 2u);
    EXPECT_EQ(PrintSide("claim Kestrel_K7 9 1").Wait(10000), 2u);
    EXPECT_EQ(PrintSide("dance").Wait(10000), 2u);
}

} // namespace
