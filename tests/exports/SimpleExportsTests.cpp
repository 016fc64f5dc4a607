#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "V_PQIF07.h"
#include "tests/common/SimTestSupport.h"

namespace {

// A resource module built beside the tests; unloaded when the test ends.
class ItemModule {
public:
    explicit ItemModule(const char* file)
        : module_(::LoadLibraryA((simtest::ProgramDir() + "\\" + file).c_str())) {}
    ~ItemModule() {
        if (module_)
            ::FreeLibrary(module_);
    }
    ItemModule(const ItemModule&) = delete;
    ItemModule& operator=(const ItemModule&) = delete;
    HMODULE get() const { return module_; }

private:
    HMODULE module_;
};

struct Item {
    LONG result;
    std::string name;
    LONG code;
};

Item Next(HMODULE module, LONG* index) {
    char name[260];
    std::memset(name, '#', sizeof name);
    name[sizeof name - 1] = '\0';
    LONG code = -99;
    LONG result = PrEnumItem(module, index, name, &code);
    return {result, name, code};
}

TEST(PrEnumItem, WalksTheItemsWithTheirCodesAndEndsWithAReset) {
    ItemModule items("pqif_items_5.dll");
    ASSERT_NE(items.get(), nullptr);
    const LONG codes[] = {12, 11, 14, 9, 13};
    const char* names[] = {"Printer error", "Communication error", "Status unreadable",
                           "Ink warning", "Service call"};
    LONG index = 0;
    for (int i = 0; i < 5; ++i) {
        Item item = Next(items.get(), &index);
        EXPECT_EQ(item.result, 0);
        EXPECT_EQ(item.name, names[i]);
        EXPECT_EQ(item.code, codes[i]);
        EXPECT_EQ(index, i + 1);
    }
    EXPECT_EQ(Next(items.get(), &index).result, 1);
    EXPECT_EQ(index, 0);
    index = -1;
    EXPECT_EQ(Next(items.get(), &index).result, 1);
    EXPECT_EQ(index, 0);
}

TEST(PrEnumItem, CountTextAllowsBlanksAndSignAndExtraItemsHaveCodeZero) {
    ItemModule items("pqif_items_7.dll");
    ASSERT_NE(items.get(), nullptr);
    LONG index = 5;
    Item sixth = Next(items.get(), &index);
    EXPECT_EQ(sixth.result, 0);
    EXPECT_EQ(sixth.name, "Sixth item");
    EXPECT_EQ(sixth.code, 0);

    // The seventh name is longer than the caller's 260 bytes: cut, never overrun.
    char name[260 + 16];
    std::memset(name, '#', sizeof name);
    LONG code = -99;
    EXPECT_EQ(PrEnumItem(items.get(), &index, name, &code), 0);
    EXPECT_EQ(std::strlen(name), 259u);
    EXPECT_EQ(std::strncmp(name, "Seventh item: a name", 20), 0);
    EXPECT_EQ(std::string(name + 260, 16), std::string(16, '#'));
    EXPECT_EQ(code, 0);
    EXPECT_EQ(Next(items.get(), &index).result, 1);
}

TEST(PrEnumItem, CountTextStartingWithANonDigitMeansNoItems) {
    ItemModule items("pqif_items_bad.dll");
    ASSERT_NE(items.get(), nullptr);
    LONG index = 0;
    EXPECT_EQ(Next(items.get(), &index).result, 1);
    EXPECT_EQ(index, 0);
}

TEST(PrSendPrnData, AcceptsPositiveLengthsOnly) {
    EXPECT_EQ(PrSendPrnData(0, 0, 0), -1);
    EXPECT_EQ(PrSendPrnData(0, 0, -5), -1);
    EXPECT_EQ(PrSendPrnData(0, 0, LONG_MIN), -1);
    EXPECT_EQ(PrSendPrnData(0, 0, 1), 0);
    EXPECT_EQ(PrSendPrnData(7, 9, LONG_MAX), 0);
}

TEST(PrReleaseReg, DoesNothingAndReturnsZero) {
    EXPECT_EQ(PrReleaseReg(), 0);
    EXPECT_EQ(PrReleaseReg(), 0);
}

} // namespace
