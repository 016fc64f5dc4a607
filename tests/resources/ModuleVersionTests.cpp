// Version resources of the installation's modules, read the way the version
// dialog reads them: the first translation's ProductVersion.
#include <gtest/gtest.h>

#include <cstdio>

#include "ResourceTestSupport.h"
#include "ui/FileVersion.h"

namespace {

std::string ProductVersion(const char* file) {
    char version[ProductVersionSize];
    return GetFileProductVersion(file, version) ? version : "";
}

} // namespace

TEST(ModuleVersions, EveryModuleHasAProductVersion) {
    const std::pair<const char*, const char*> modules[] = {
        {"V_CORE12.DLL", "12.0.3"}, {"V_AGNT12.EXE", "12.0.3"}, {"KVRRES_EN.DLL", "7.00"},
        {"KVRRES_JA.DLL", "7.00"},  {"KVRBMP.DLL", "7.00"},     {"KVRINK.DLL", "7.00"},
        {"klapiset.exe", "7.00"}};
    for (const auto& [file, version] : modules)
        EXPECT_EQ(ProductVersion(file), version) << file;
}

TEST(ModuleVersions, AgentEndsAtOnceAndCoreAnswersItsVersion) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    char line[] = "V_AGNT12.EXE";
    ASSERT_TRUE(
        CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 30000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);

    UniqueModule core = restest::LoadModule("V_CORE12.DLL");
    ASSERT_TRUE(core);
    using GetVersionFn = DWORD(WINAPI*)();
    auto fn = reinterpret_cast<GetVersionFn>(GetProcAddress(core.get(), "VCoreGetVersion"));
    ASSERT_NE(fn, nullptr);
    const DWORD v = fn();
    EXPECT_EQ(HIBYTE(HIWORD(v)), 12);
    EXPECT_EQ(LOBYTE(HIWORD(v)), 0);
    EXPECT_EQ(LOWORD(v), 3);
}
