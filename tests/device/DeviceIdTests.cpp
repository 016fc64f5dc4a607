#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/DeviceId.h"

namespace {

std::string Model(const std::string& id) {
    std::vector<char> exact(id.begin(), id.end()); // no terminator: the size bounds the scan
    return ExtractModelId(exact.data(), exact.size());
}

TEST(ExtractModelId, ValueBetweenKeyAndSemicolon) {
    EXPECT_EQ(Model("MFG:Vorne;CMD:VRPL;MDL:Vorne Kestrel K7;CLS:PRINTER;"), "Vorne Kestrel K7");
    EXPECT_EQ(Model("MDL: spaced  ;"), " spaced  ");
    EXPECT_EQ(Model("MDL:;"), "");
    EXPECT_EQ(Model("MDL:A;MDL:B;"), "A");
}

TEST(ExtractModelId, MissingKeyOrSemicolonGivesEmpty) {
    EXPECT_EQ(Model("MFG:Vorne;MDL:Vorne Kestrel K7"), "");
    EXPECT_EQ(Model("MFG:Vorne;CLS:PRINTER;"), "");
    EXPECT_EQ(Model("mdl:lower;"), "");
    EXPECT_EQ(Model(""), "");
    EXPECT_EQ(ExtractModelId(nullptr, 10), "");
}

TEST(ExtractModelId, StopsAtZeroByteAndAtTheSize) {
    EXPECT_EQ(Model(std::string("MFG:V;\0MDL:K7;", 14)), "");
    const std::string id = "MDL:K7;";
    EXPECT_EQ(ExtractModelId(id.c_str(), 6), ""); // the ';' lies beyond the size
    EXPECT_EQ(ExtractModelId(id.c_str(), 7), "K7");
    EXPECT_EQ(ExtractModelId(id.c_str(), 3), "");
    // The value ends at the text's end too: no ';' after a zero byte counts.
    EXPECT_EQ(Model(std::string("MDL:K7\0junk;", 12)), "");
}

} // namespace
