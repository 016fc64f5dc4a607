#include <gtest/gtest.h>

#include <map>
#include <string>

#include "companions/klapi/Journal.h"
#include "tests/common/SimTestSupport.h"

namespace {

constexpr const char* kPrinter = "Journal_Test";

class JournalTest : public ::testing::Test {
protected:
    void SetUp() override { ::DeleteFileA(journal::FileOf(kPrinter).c_str()); }
    void TearDown() override { ::DeleteFileA(journal::FileOf(kPrinter).c_str()); }

    static journal::Entry Numbered(int n, std::size_t padding = 0) {
        journal::Entry e;
        e.time = "2026-12-10T06:00:00.000Z";
        e.printer = kPrinter;
        e.reply = "@BDC ST\r\nST:00;ER:02;\f";
        e.reasons = {"n" + std::to_string(n), std::string(padding, 'p')};
        return e;
    }
    static std::vector<journal::Entry> All() {
        ULONGLONG offset = 0;
        return journal::ReadFrom(kPrinter, offset);
    }
};

TEST_F(JournalTest, LinesReadBackAndOnlyNewOnesAreReadAgain) {
    journal::Entry e = Numbered(1);
    e.answering = false;
    e.asleep = true;
    e.lastAnswer = "2026-12-10T05:59:00.000Z";
    e.printer = "\\\\server\\queue \"quoted\" \xE9";
    ASSERT_TRUE(journal::Append(kPrinter, e));
    ULONGLONG offset = 0;
    std::vector<journal::Entry> first = journal::ReadFrom(kPrinter, offset);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].printer, e.printer);
    EXPECT_EQ(first[0].reply, e.reply);
    EXPECT_FALSE(first[0].answering);
    EXPECT_TRUE(first[0].asleep);
    EXPECT_EQ(first[0].lastAnswer, e.lastAnswer);
    EXPECT_EQ(first[0].reasons, e.reasons);
    EXPECT_TRUE(journal::ReadFrom(kPrinter, offset).empty());
    ASSERT_TRUE(journal::Append(kPrinter, Numbered(2)));
    std::vector<journal::Entry> next = journal::ReadFrom(kPrinter, offset);
    ASSERT_EQ(next.size(), 1u);
    EXPECT_EQ(next[0].reasons[0], "n2");
}

TEST_F(JournalTest, ATornLastLineIsSkippedAndCostsNoOtherLine) {
    ASSERT_TRUE(journal::Append(kPrinter, Numbered(1)));
    // What a crash in the middle of a write leaves.
    FILE* f = std::fopen(journal::FileOf(kPrinter).c_str(), "ab");
    ASSERT_NE(f, nullptr);
    std::fputs("{\"time\":\"2026-12-10T06:00:01", f);
    std::fclose(f);
    ASSERT_EQ(All().size(), 1u);
    ASSERT_TRUE(journal::Append(kPrinter, Numbered(2)));
    std::vector<journal::Entry> all = All();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[1].reasons[0], "n2");
}

TEST_F(JournalTest, TheFileStaysBoundedAndKeepsTheNewest) {
    for (int i = 0; i < 700; ++i)
        ASSERT_TRUE(journal::Append(kPrinter, Numbered(i, 1000)));
    WIN32_FILE_ATTRIBUTE_DATA info{};
    ASSERT_TRUE(
        ::GetFileAttributesExA(journal::FileOf(kPrinter).c_str(), GetFileExInfoStandard, &info));
    EXPECT_LE(info.nFileSizeLow, journal::kMaxBytes);
    std::vector<journal::Entry> all = All();
    ASSERT_GT(all.size(), 100u);
    EXPECT_EQ(all.back().reasons[0], "n699");
    // Whole lines, in order, with none missing after the first kept one.
    int first = std::stoi(all.front().reasons[0].substr(1));
    for (std::size_t i = 0; i < all.size(); ++i)
        EXPECT_EQ(all[i].reasons[0], "n" + std::to_string(first + static_cast<int>(i)));
}

TEST_F(JournalTest, TwoProcessesNeverInterleaveTheirLines) {
    PROCESS_INFORMATION pi[2]{};
    for (int p = 0; p < 2; ++p) {
        std::string line = "\"" + simtest::ProgramDir() + "\\journal_writer.exe\" " + kPrinter +
                           " p" + std::to_string(p) + " 150";
        std::vector<char> cmd(line.begin(), line.end());
        cmd.push_back('\0');
        STARTUPINFOA si{};
        si.cb = sizeof si;
        ASSERT_TRUE(::CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                                     nullptr, nullptr, &si, &pi[p]));
    }
    for (auto& p : pi) {
        EXPECT_EQ(::WaitForSingleObject(p.hProcess, 120000), WAIT_OBJECT_0);
        DWORD code = 9;
        ::GetExitCodeProcess(p.hProcess, &code);
        EXPECT_EQ(code, 0u);
        ::CloseHandle(p.hProcess);
        ::CloseHandle(p.hThread);
    }
    // Every line whole, each writer's lines in its own order.
    std::map<std::string, int> next;
    std::vector<journal::Entry> all = All();
    EXPECT_EQ(all.size(), 300u);
    for (const journal::Entry& e : all) {
        std::string tag = e.reasons[0].substr(0, 2);
        EXPECT_EQ(e.reasons[0], tag + "-" + std::to_string(next[tag]++));
    }
}

} // namespace
