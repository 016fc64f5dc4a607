#include <gtest/gtest.h>

#include "V_PQIF07.h"
#include "tests/common/SimTestSupport.h"

namespace {

// This program runs from a folder without KLAPI.DLL: the library check comes
// before the channel check.
TEST(PrGetPrnDataAbsent, ReportsTheMissingLibraryFirst) {
    HMODULE probe = ::LoadLibraryA("KLAPI.DLL");
    if (probe)
        ::FreeLibrary(probe);
    ASSERT_EQ(probe, nullptr) << "KLAPI.DLL is reachable from " << simtest::ProgramDir();

    LONG value = 55;
    void* data = nullptr;
    EXPECT_EQ(PrGetPrnData(0, 0, 0, &value, &data), 1);
    EXPECT_EQ(PrGetPrnData(0, 0, 42, &value, &data), 1);
    EXPECT_EQ(value, 55);
    EXPECT_EQ(data, nullptr);
}

} // namespace
