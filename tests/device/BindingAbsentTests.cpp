#include <gtest/gtest.h>

#include "device/KLApiBinding.h"
#include "tests/common/SimTestSupport.h"

namespace {

// This program runs from a folder without KLAPI.DLL.
TEST(KLApiBindingAbsent, MakesNoCallAndStaysUninitialised) {
    HMODULE probe = ::LoadLibraryA("KLAPI.DLL");
    if (probe)
        ::FreeLibrary(probe);
    ASSERT_EQ(probe, nullptr) << "KLAPI.DLL is reachable from " << simtest::ProgramDir();

    simtest::CallCounter inits("KLInitialize"), releases("KLRelease");
    {
        KLApiBinding binding;
        EXPECT_EQ(binding.IsInitialized(), 0);
        EXPECT_EQ(binding.InitResult(), -1);
        EXPECT_EQ(binding.KLInitialize, nullptr);
        EXPECT_EQ(binding.KLReceive, nullptr);
    }
    EXPECT_EQ(inits.Delta(), 0u);
    EXPECT_EQ(releases.Delta(), 0u);
    EXPECT_FALSE(simtest::KlapiLoaded());
}

} // namespace
