#include <gtest/gtest.h>

#include <windows.h>
#include <fstream>
#include <sstream>
#include <string>

#include "exports/StatusLibraryApp.h"
#include "support/DebugLog.h"

namespace {

std::string ReadLog() {
    std::ifstream in(DebugLogPath, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class DebugLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = DebugLogEnabled;
        ::DeleteFileA(DebugLogPath);
    }
    void TearDown() override {
        DebugLogEnabled = saved_;
        ::DeleteFileA(DebugLogPath);
    }
    int saved_ = 0;
};

TEST_F(DebugLogTest, OffCreatesNoFile) {
    DebugLogEnabled = 0;
    DebugLog("---\nPrGetStatusB\n");
    EXPECT_EQ(::GetFileAttributesA(DebugLogPath), INVALID_FILE_ATTRIBUTES);
}

TEST_F(DebugLogTest, AppendsExactBytesWithoutAddingLineEnds) {
    DebugLogEnabled = 1;
    DebugLog("---\nPrGetStatusB\n");
    DebugLog(" Status Num : %d,  Item Num : %d\n", 10, 12);
    DebugLog("no newline");
    DebugLog("%s|%x", "next", 0x1f);
    EXPECT_EQ(ReadLog(), "---\nPrGetStatusB\n Status Num : 10,  Item Num : 12\nno newlinenext|1f");
}

TEST_F(DebugLogTest, ExistingFileIsNeverTruncated) {
    {
        std::ofstream out(DebugLogPath, std::ios::binary);
        out << "earlier\n";
    }
    DebugLogEnabled = 1;
    DebugLog("later\n");
    EXPECT_EQ(ReadLog(), "earlier\nlater\n");
}

TEST_F(DebugLogTest, AnotherWriterLosesOnlyThatText) {
    DebugLogEnabled = 1;
    HANDLE other = ::CreateFileA(DebugLogPath, GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    DebugLog("lost\n");
    ::CloseHandle(other);
    DebugLog("kept\n");
    EXPECT_EQ(ReadLog(), "kept\n");
}

TEST_F(DebugLogTest, DeviceBytesAreBoundedByTheirLength) {
    DebugLogEnabled = 1;
    const char reply[4] = {'@', 'B', 'D', 'C'}; // no terminator
    DebugLog(" Printer status (KLAPI) : %.*s\n", 4, reply);
    EXPECT_EQ(ReadLog(), " Printer status (KLAPI) : @BDC\n");
}

} // namespace
