#include <gtest/gtest.h>

#include <string>

#include "support/LibraryPath.h"

namespace {

TEST(LibraryPath, OnlyDriveAndServerPathsAreAbsolute) {
    struct Case {
        const char* path;
        bool absolute;
    } const cases[] = {
        {"C:\\Vorne\\KVRINK.DLL", true},
        {"c:/Vorne/KVRINK.DLL", true},
        {"\\\\server\\share\\x.dll", true},
        {"C:KVRINK.DLL", false},
        {"\\KVRINK.DLL", false},
        {"\\\\\\x.dll", false},
        {"KVRINK.DLL", false},
        {".\\KVRINK.DLL", false},
        {"", false},
        {"C:", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsAbsolutePath(c.path), c.absolute) << c.path;
}

TEST(LibraryPath, NamesResolveAgainstTheFolderOrNotAtAll) {
    struct Case {
        const char* name;
        const char* folder;
        const char* path;
    } const cases[] = {
        {"KVRINK.DLL", "C:\\Vorne", "C:\\Vorne\\KVRINK.DLL"},
        {"KVRINK.DLL", "C:\\Vorne\\", "C:\\Vorne\\KVRINK.DLL"},
        {"lang\\KVRRES_JA.DLL", "C:\\Vorne", "C:\\Vorne\\lang\\KVRRES_JA.DLL"},
        {"D:\\Other\\KVRRES_EN.DLL", "C:\\Vorne", "D:\\Other\\KVRRES_EN.DLL"},
        {"D:\\Other\\KVRRES_EN.DLL", "", "D:\\Other\\KVRRES_EN.DLL"},
        // Without an absolute folder a bare name has nowhere safe to come from.
        {"KVRINK.DLL", "", ""},
        {"KVRINK.DLL", ".", ""},
        {"KVRINK.DLL", "Vorne", ""},
        // Names relative to the current drive are refused outright.
        {"\\KVRINK.DLL", "C:\\Vorne", ""},
        {"C:KVRINK.DLL", "C:\\Vorne", ""},
        {"", "C:\\Vorne", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ResolveLibraryPath(c.name, c.folder), c.path) << c.name << " in " << c.folder;
}

} // namespace
