#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "support/SettingsFile.h"

namespace {

// The readers get an exact-size heap copy, so the sanitizer sees any over-read.
int GetInt(const std::string& text, const char* section, const char* key, int* value) {
    std::vector<char> exact(text.begin(), text.end());
    return SettingsTextGetInt(exact.data(), exact.size(), section, key, value);
}

int GetString(const std::string& text, const char* section, const char* key, std::string* out) {
    std::vector<char> exact(text.begin(), text.end());
    char value[SettingsStringSize];
    std::fill(value, value + sizeof value, '#');
    int rc = SettingsTextGetString(exact.data(), exact.size(), section, key, value);
    if (rc == 0)
        *out = value;
    return rc;
}

const std::string kFile = "[Other]\n"
                          "SlipMax=1\n"
                          "[ModelX2]\n"
                          "SlipMax=2\n"
                          "[modelx]\n"
                          "SlipMax=12 ;comment\n"
                          "ITEMNUM =3\n"
                          "ver=\"1.02\"\n"
                          "Plain=1.02\n"
                          "Open=\"1.02\n"
                          "[Next]\n"
                          "Later=5\n";

TEST(SettingsFile, SectionAndKeyMatching) {
    int v = -99;
    EXPECT_EQ(GetInt(kFile, "ModelX", "SlipMax", &v), 0);
    EXPECT_EQ(v, 12); // [ModelX2] is not ModelX; the value ends at the blank
    EXPECT_EQ(GetInt(kFile, "MODELX", "slipmax", &v), 0);
    EXPECT_EQ(GetInt(kFile, "ModelX", "ITEMNUM", &v), -1); // blank before '='
    EXPECT_EQ(GetInt(kFile, "ModelX", "Later", &v), -1);   // belongs to the next section
    EXPECT_EQ(GetInt(kFile, "ModelX", "Slip", &v), -1);    // a prefix of a key is not the key
    EXPECT_EQ(GetInt(kFile, "Model", "SlipMax", &v), 1);
    EXPECT_EQ(GetInt(kFile, "ModelX22", "SlipMax", &v), 1);
    EXPECT_EQ(GetInt("", "ModelX", "SlipMax", &v), 1);
    EXPECT_EQ(SettingsTextGetInt(nullptr, 0, "ModelX", "SlipMax", &v), 1);
}

TEST(SettingsFile, StringsNeedBothQuotes) {
    std::string s;
    EXPECT_EQ(GetString(kFile, "ModelX", "Ver", &s), 0);
    EXPECT_EQ(s, "1.02");
    EXPECT_EQ(GetString(kFile, "ModelX", "Plain", &s), -1);
    EXPECT_EQ(GetString(kFile, "ModelX", "Open", &s), -1);
    EXPECT_EQ(GetString("[A]\nK=x\"\"\n", "A", "K", &s), 0);
    EXPECT_EQ(s, "");
    // The closing quote on the next line does not count.
    EXPECT_EQ(GetString("[A]\nK=\"abc\n\"\n", "A", "K", &s), -1);
}

TEST(SettingsFile, LongStringValueIsCutTo259) {
    std::string value(300, 'v');
    std::string s;
    ASSERT_EQ(GetString("[A]\nK=\"" + value + "\"\n", "A", "K", &s), 0);
    EXPECT_EQ(s, std::string(259, 'v'));
}

TEST(SettingsFile, IntegerConversion) {
    struct Case {
        const char* line;
        int expected;
    };
    const Case cases[] = {
        {"K=42", 42},
        {"K=-7", -7},
        {"K=+8", 8},
        {"K=12abc", 12},
        {"K=abc", 0},
        {"K=", 0},
        {"K= 5", 0},
        {"K=3\t4", 3},
        {"K=--1", 0},
        {"K=2147483647", INT_MAX},
        {"K=-2147483648", INT_MIN},
        {"K=99999999999999999999", INT_MAX},
        {"K=-99999999999999999999", INT_MIN},
        {"K=7\xC3\xA9", 7},
    };
    for (const Case& c : cases) {
        int v = 12345;
        EXPECT_EQ(GetInt(std::string("[A]\n") + c.line + "\n", "A", "K", &v), 0) << c.line;
        EXPECT_EQ(v, c.expected) << c.line;
    }
}

TEST(SettingsFile, LineEndingsAndZeroBytes) {
    int v = 0;
    std::string s;
    // CR LF endings, and no line feed at the very end.
    const std::string crlf = "[ModelX]\r\nSlipMax=12\r\nVer=\"1.02\"\r\nLast=9";
    EXPECT_EQ(GetInt(crlf, "ModelX", "SlipMax", &v), 0);
    EXPECT_EQ(v, 12);
    EXPECT_EQ(GetString(crlf, "ModelX", "Ver", &s), 0);
    EXPECT_EQ(s, "1.02");
    EXPECT_EQ(GetInt(crlf, "ModelX", "Last", &v), 0);
    EXPECT_EQ(v, 9);
    EXPECT_EQ(GetString("[A]\r\nK=\"x\r\n\"\r\n", "A", "K", &s), -1);

    // A zero byte ends the line it is on, and only that line.
    const std::string zeros("[A]\nSl\0ipMax=1\nK=5\0junk\nV=\"a\0b\"\nW=3\n", 37);
    EXPECT_EQ(GetInt(zeros, "A", "SlipMax", &v), -1);
    EXPECT_EQ(GetInt(zeros, "A", "K", &v), 0);
    EXPECT_EQ(v, 5);
    EXPECT_EQ(GetString(zeros, "A", "V", &s), -1);
    EXPECT_EQ(GetInt(zeros, "A", "W", &v), 0);
    EXPECT_EQ(v, 3);
    EXPECT_EQ(GetInt(std::string("[A\0]\nK=1\n", 9), "A", "K", &v), 1);
}

TEST(SettingsFile, LongLines) {
    int v = 0;
    std::string s;
    // 309 characters before the line feed are still one line.
    std::string pad(309 - 9, ' ');
    EXPECT_EQ(GetInt("[A]\nK=1" + pad + "XY\nL=4\n", "A", "K", &v), 0);
    EXPECT_EQ(v, 1);
    const std::string key309 = "[A]\nV=\"" + std::string(300, 'q') + "\"\n";
    EXPECT_EQ(GetString(key309, "A", "V", &s), 0);
    EXPECT_EQ(s.size(), 259u);
    // Beyond that, the tail of an over-long line is neither a header nor a key.
    const std::string comment(309, ';');
    EXPECT_EQ(GetInt("[A]\n" + comment + "[B]\nK=2\n", "A", "K", &v), 0);
    EXPECT_EQ(v, 2);
    EXPECT_EQ(GetInt("[A]\n" + comment + "[B]\nK=2\n", "B", "K", &v), 1);
    EXPECT_EQ(GetInt("[A]\n" + std::string(309, 'x') + "K=3\nK=4\n", "A", "K", &v), 0);
    EXPECT_EQ(v, 4);
    // A quote beyond the first 309 bytes of its line is not seen.
    EXPECT_EQ(GetString("[A]\nV=\"" + std::string(320, 'q') + "\"\n", "A", "V", &s), -1);
    // The line after an over-long CR LF line is read normally.
    EXPECT_EQ(GetInt("[A]\n" + std::string(309, 'x') + "\r\nK=6\n", "A", "K", &v), 0);
    EXPECT_EQ(v, 6);
}

class SettingsFileOnDisk : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& contents) {
        std::string path = ::testing::TempDir() + "pqif_settings_" + name + ".ini";
        std::FILE* f = std::fopen(path.c_str(), "wb");
        EXPECT_NE(f, nullptr);
        std::fwrite(contents.data(), 1, contents.size(), f);
        std::fclose(f);
        paths_.push_back(path);
        return path;
    }
    void TearDown() override {
        for (const std::string& p : paths_)
            std::remove(p.c_str());
    }
    std::vector<std::string> paths_;
};

TEST_F(SettingsFileOnDisk, ReadsFilesAndReportsMissingOnes) {
    std::string path = Write("model", kFile);
    int v = 0;
    EXPECT_EQ(SettingsGetInt(path.c_str(), "ModelX", "SlipMax", &v), 0);
    EXPECT_EQ(v, 12);
    char text[SettingsStringSize] = {};
    EXPECT_EQ(SettingsGetString(path.c_str(), "ModelX", "Ver", text), 0);
    EXPECT_STREQ(text, "1.02");
    EXPECT_EQ(SettingsGetString(path.c_str(), "ModelX", "Plain", text), -1);
    EXPECT_EQ(SettingsGetInt(path.c_str(), "Missing", "SlipMax", &v), 1);
    std::string missing = ::testing::TempDir() + "pqif_settings_absent.ini";
    EXPECT_EQ(SettingsGetInt(missing.c_str(), "ModelX", "SlipMax", &v), 1);
    EXPECT_EQ(SettingsGetString(missing.c_str(), "ModelX", "Ver", text), 1);
    EXPECT_EQ(SettingsGetInt(nullptr, "ModelX", "SlipMax", &v), 1);
}

TEST_F(SettingsFileOnDisk, BinaryContentsAreHandled) {
    std::string contents("\xEF\xBB\xBF[A]\nK=1\n[B]\n\0\0\0\nK=2\n", 23);
    std::string path = Write("binary", contents);
    int v = 0;
    EXPECT_EQ(SettingsGetInt(path.c_str(), "A", "K", &v), 1); // the mark hides the header
    EXPECT_EQ(SettingsGetInt(path.c_str(), "B", "K", &v), 0);
    EXPECT_EQ(v, 2);
}

} // namespace
