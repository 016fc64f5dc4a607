#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "tools/pqif/InstallationLookup.h"

namespace {

constexpr LANGID kJapanese = 0x0411;
constexpr LANGID kUsEnglish = 0x0409;
constexpr LANGID kGerman = 0x0407;

// A folder with a settings file whose language sections name two libraries;
// the libraries exist only where a test puts them.
class ResourceChoice : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        ::GetTempPathA(sizeof temp, temp);
        dir_ = std::string(temp) + "pqif-lookup-" + std::to_string(::GetCurrentProcessId());
        ::CreateDirectoryA(dir_.c_str(), nullptr);
        ini_ = dir_ + "\\MODEL.INI";
        Write(ini_, "[Language]\r\nJapanese=11,1\r\nEnglish=9,1\r\n\r\n"
                    "[English]\r\nResDll=RES_EN.DLL\r\n\r\n[Japanese]\r\nResDll=RES_JA.DLL\r\n");
    }
    void TearDown() override {
        for (const char* name : {"MODEL.INI", "RES_EN.DLL", "RES_JA.DLL"})
            ::DeleteFileA((dir_ + "\\" + name).c_str());
        ::RemoveDirectoryA(dir_.c_str());
    }
    static void Write(const std::string& path, const std::string& text) {
        HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        ::CloseHandle(file);
    }
    void Library(const char* name) { Write(dir_ + "\\" + name, "MZ"); }
    std::string Path(const char* name) const { return dir_ + "\\" + name; }

    std::string dir_;
    std::string ini_;
};

TEST_F(ResourceChoice, TheUsersLanguageWhenItsLibraryIsInstalled) {
    Library("RES_EN.DLL");
    Library("RES_JA.DLL");
    EXPECT_EQ(ResourceLibraryIn(dir_, ini_, kJapanese), Path("RES_JA.DLL"));
    EXPECT_EQ(ResourceLibraryIn(dir_, ini_, kUsEnglish), Path("RES_EN.DLL"));
    // No section for German: the first English one.
    EXPECT_EQ(ResourceLibraryIn(dir_, ini_, kGerman), Path("RES_EN.DLL"));
}

TEST_F(ResourceChoice, FallsBackToEnglishThenToAnyInstalledLibrary) {
    Library("RES_EN.DLL");
    EXPECT_EQ(ResourceLibraryIn(dir_, ini_, kJapanese), Path("RES_EN.DLL"));
    ::DeleteFileA(Path("RES_EN.DLL").c_str());
    Library("RES_JA.DLL");
    EXPECT_EQ(ResourceLibraryIn(dir_, ini_, kGerman), Path("RES_JA.DLL"));
    ::DeleteFileA(Path("RES_JA.DLL").c_str());
    EXPECT_EQ(ResourceLibraryIn(dir_, ini_, kUsEnglish), "");
}

TEST_F(ResourceChoice, NothingWithoutALanguageSection) {
    Library("RES_EN.DLL");
    Write(ini_, "[English]\r\nResDll=RES_EN.DLL\r\n");
    EXPECT_EQ(ResourceLibraryIn(dir_, ini_, kUsEnglish), "");
    EXPECT_EQ(ResourceLibraryIn(dir_, Path("MISSING.INI"), kUsEnglish), "");
}

} // namespace
