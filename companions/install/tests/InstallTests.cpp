#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "companions/install/DemoModel.h"
#include "support/SettingsFile.h"
#include "support/Registry.h"
#include "tests/common/SimTestSupport.h"

namespace {

// Every key and value below root\path, one line each, for comparing states.
void Dump(HKEY root, const std::string& path, std::set<std::string>* lines) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    lines->insert("key " + path);
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD nameSize = sizeof name;
        BYTE data[2048];
        DWORD dataSize = sizeof data;
        DWORD type = 0;
        if (::RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &dataSize) !=
            ERROR_SUCCESS)
            break;
        std::string line =
            path + " : " + std::string(name, nameSize) + " = " + std::to_string(type) + ":";
        for (DWORD b = 0; b < dataSize; ++b) {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%02X", data[b]);
            line += hex;
        }
        lines->insert(line);
    }
    std::vector<std::string> children;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD nameSize = sizeof name;
        if (::RegEnumKeyExA(key, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        children.emplace_back(name, nameSize);
    }
    ::RegCloseKey(key);
    for (const std::string& child : children)
        Dump(root, path + "\\" + child, lines);
}

std::set<std::string> Snapshot() {
    std::set<std::string> lines;
    Dump(HKEY_LOCAL_MACHINE, "software\\VORNE", &lines);
    std::set<std::string> user;
    Dump(HKEY_CURRENT_USER, "software\\VORNE", &user);
    Dump(HKEY_CURRENT_USER, simstore::PrintersPath, &user);
    for (const std::string& line : user)
        lines.insert("HKCU " + line);
    return lines;
}

std::string TempDir() {
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    std::string dir = std::string(temp) + "pqif_install_test";
    ::CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

std::vector<std::string> FilesIn(const std::string& dir) {
    std::vector<std::string> files;
    WIN32_FIND_DATAA found;
    HANDLE find = ::FindFirstFileA((dir + "\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return files;
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..")
            files.push_back(name);
    } while (::FindNextFileA(find, &found));
    ::FindClose(find);
    return files;
}

std::string ProfileString(const std::string& file, const char* section, const char* key) {
    char value[260] = {};
    ::GetPrivateProfileStringA(section, key, "", value, sizeof value, file.c_str());
    return value;
}

bool IsWave(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    char header[12] = {};
    bool ok = std::fread(header, 1, sizeof header, f) == sizeof header &&
              std::string(header, 4) == "RIFF" && std::string(header + 8, 4) == "WAVE";
    std::fclose(f);
    return ok;
}

void ExpectPrinterKeyMatchesSettings(const std::string& keyPath, const char* name,
                                     const std::string& ini) {
    SCOPED_TRACE(keyPath);
    Registry key(HKEY_CURRENT_USER, keyPath.c_str());
    ASSERT_TRUE(key.IsOpen());
    EXPECT_EQ(key.GetString("Name", "", 256), name);
    for (const demo::IntSetting& setting : demo::MonitorDefaults()) {
        int fromFile = -1;
        ASSERT_EQ(SettingsGetInt(ini.c_str(), demo::Model, setting.key, &fromFile), 0)
            << setting.key;
        EXPECT_TRUE(key.IsDwordValue(setting.key)) << setting.key;
        EXPECT_EQ(static_cast<int>(key.GetDword(setting.key, 12345)), fromFile) << setting.key;
    }
    int itemCount = 0;
    ASSERT_EQ(SettingsGetInt(ini.c_str(), demo::Model, "ITEMNUM", &itemCount), 0);
    Registry notify(HKEY_CURRENT_USER, (keyPath + "\\Notify").c_str());
    int found = 0;
    for (int item = 0; item <= 999; ++item) {
        char iniKey[16], regValue[8];
        std::snprintf(iniKey, sizeof iniKey, "ITEM%03d", item);
        std::snprintf(regValue, sizeof regValue, "%03d", item);
        int fromFile = 0;
        bool inFile = SettingsGetInt(ini.c_str(), demo::Model, iniKey, &fromFile) == 0;
        EXPECT_EQ(notify.IsDwordValue(regValue) == 1, inFile) << regValue;
        if (inFile) {
            ++found;
            EXPECT_EQ(static_cast<int>(notify.GetDword(regValue, 12345)), fromFile) << regValue;
        }
    }
    EXPECT_EQ(found, itemCount);
}

TEST(KvrInstall, InstallsTheDemoModelAndRemoveLeavesTheRegistryAsBefore) {
    {
        Registry info(HKEY_LOCAL_MACHINE, demo::KlapiInfoKey);
        ASSERT_TRUE(info.GetString("InstallDir", "", 256).empty())
            << "the demo installation is present; run 'kvrinstall.exe remove' first";
    }
    std::set<std::string> before = Snapshot();
    std::string dir = TempDir();
    ASSERT_TRUE(FilesIn(dir).empty()) << dir;

    simtest::ProgramRun installed = simtest::RunProgram("kvrinstall.exe install \"" + dir + "\"");
    ASSERT_EQ(installed.exitCode, 0u) << installed.err;
    std::string ini = dir + "\\" + demo::SettingsFileName;

    // The settings file, as the library's readers see it.
    char text[SettingsStringSize];
    ASSERT_EQ(SettingsGetString(ini.c_str(), demo::Model, "BMPDLL", text), 0);
    EXPECT_STREQ(text, "KVRBMP.DLL");
    ASSERT_EQ(SettingsGetString(ini.c_str(), demo::Model, "InkDll", text), 0);
    EXPECT_STREQ(text, "KVRINK.DLL");
    ASSERT_EQ(SettingsGetString(ini.c_str(), demo::Model, "VRWVER", text), 0);
    EXPECT_STREQ(text, "1.00");
    for (const char* key : {"Debug", "EnableGetStatusErr", "WIN2000"}) {
        int value = -1;
        EXPECT_EQ(SettingsGetInt(ini.c_str(), demo::Model, key, &value), 0) << key;
        EXPECT_EQ(value, std::string(key) == "WIN2000" ? 1 : 0) << key;
    }
    EXPECT_EQ(ProfileString(ini, "Language", "English"), "9,1");
    EXPECT_EQ(ProfileString(ini, "Language", "Japanese"), "11,1");
    EXPECT_EQ(ProfileString(ini, "English", "ResDll"), "KVRRES_EN.DLL");
    EXPECT_EQ(ProfileString(ini, "Japanese", "ResDll"), "KVRRES_JA.DLL");
    for (const char* section : {"English", "Japanese"}) {
        for (const demo::Sound& sound : demo::Sounds()) {
            char key[8];
            std::snprintf(key, sizeof key, "WVV%03d", sound.number);
            std::string file = ProfileString(ini, section, key);
            EXPECT_EQ(file, sound.file) << section << " " << key;
            EXPECT_TRUE(IsWave(dir + "\\" + file)) << file;
        }
    }

    // The machine keys.
    Registry profile(HKEY_LOCAL_MACHINE, demo::ProfileKey);
    EXPECT_EQ(profile.GetString(demo::Model, "", 260), ini);
    Registry driver(HKEY_LOCAL_MACHINE, demo::DriverKey);
    EXPECT_EQ(driver.GetString("InstallPath", "", 260), dir);
    EXPECT_EQ(driver.GetString("ModelID", "", 260), demo::Model);
    Registry klapi(HKEY_LOCAL_MACHINE, demo::KlapiInfoKey);
    EXPECT_EQ(klapi.GetString("InstallDir", "", 260), dir);
    EXPECT_FALSE(klapi.GetString("KLAPIVersion", "", 260).empty());
    Registry common(HKEY_LOCAL_MACHINE, demo::CommonKey);
    for (const char* flag : demo::CommonFlags()) {
        EXPECT_TRUE(common.IsDwordValue(flag)) << flag;
        EXPECT_EQ(common.GetDword(flag, 7), 0u) << flag;
    }
    Registry product(HKEY_LOCAL_MACHINE, demo::ProductKey);
    EXPECT_TRUE(product.IsDwordValue("log"));
    Registry router(HKEY_LOCAL_MACHINE, demo::RouterKey);
    EXPECT_EQ(router.GetString("KLP00", "", 256), "LPT1:");
    EXPECT_EQ(router.GetString("KLP01", "", 256).substr(0, 5), "KLPIP");
    EXPECT_EQ(router.GetString("KLP02", "", 256).substr(0, 3), "IPX");

    // The per-user printer keys hold the settings file's defaults.
    ExpectPrinterKeyMatchesSettings(std::string(demo::PrinterTargetsKey) + "\\Kestrel_K7",
                                    "Kestrel_K7", ini);
    ExpectPrinterKeyMatchesSettings(std::string(demo::PortTargetsKey) + "\\USB001", "USB001", ini);

    // And a simulated printer answers for both names.
    for (const char* name : {demo::PrinterName, demo::PortName}) {
        simstore::SimPrinter printer(name);
        EXPECT_TRUE(printer.Exists()) << name;
        EXPECT_NE(printer.DeviceId().find("MDL:Vorne Kestrel K7;"), std::string::npos) << name;
    }

    simtest::ProgramRun removed = simtest::RunProgram("kvrinstall.exe remove");
    ASSERT_EQ(removed.exitCode, 0u) << removed.err;
    EXPECT_EQ(Snapshot(), before);
    EXPECT_TRUE(FilesIn(dir).empty());
    ::RemoveDirectoryA(dir.c_str());
}

TEST(KvrInstall, RejectsBadArguments) {
    EXPECT_EQ(simtest::RunProgram("kvrinstall.exe").exitCode, 2u);
    EXPECT_EQ(simtest::RunProgram("kvrinstall.exe install").exitCode, 2u);
    EXPECT_EQ(simtest::RunProgram("kvrinstall.exe uninstall").exitCode, 2u);
    simtest::ProgramRun missing =
        simtest::RunProgram("kvrinstall.exe install C:\\no\\such\\pqif\\folder");
    EXPECT_EQ(missing.exitCode, 1u);
    EXPECT_NE(missing.err.find("no such directory"), std::string::npos);
    Registry info(HKEY_LOCAL_MACHINE, demo::KlapiInfoKey);
    EXPECT_FALSE(info.IsOpen()) << "a refused install wrote keys";
}

} // namespace
