#include <gtest/gtest.h>

#include "device/KLApiBinding.h"
#include "tests/common/SimTestSupport.h"

using simtest::CallCounter;
using simtest::KlapiLoaded;

namespace {

int ResolvedCount(const KLApiBinding& b) {
    const void* pointers[] = {reinterpret_cast<const void*>(b.KLInitialize),
                              reinterpret_cast<const void*>(b.KLRelease),
                              reinterpret_cast<const void*>(b.KLGetDeviceID),
                              reinterpret_cast<const void*>(b.KLGetAvailableChannel),
                              reinterpret_cast<const void*>(b.KLOpenChannel),
                              reinterpret_cast<const void*>(b.KLCloseChannel),
                              reinterpret_cast<const void*>(b.KLSetOption),
                              reinterpret_cast<const void*>(b.KLReceiveCancel),
                              reinterpret_cast<const void*>(b.KLGetStatus),
                              reinterpret_cast<const void*>(b.KLReceive)};
    int count = 0;
    for (const void* p : pointers) {
        if (!p)
            break;
        ++count;
    }
    return count;
}

TEST(KLApiBindingReady, InitialisesOnceReleasesOnceAndUnloads) {
    ASSERT_FALSE(KlapiLoaded());
    CallCounter inits("KLInitialize"), releases("KLRelease");
    {
        KLApiBinding binding;
        EXPECT_EQ(binding.IsInitialized(), 1);
        EXPECT_EQ(binding.InitResult(), 0);
        EXPECT_EQ(ResolvedCount(binding), 10);
        EXPECT_TRUE(KlapiLoaded());
        EXPECT_EQ(inits.Delta(), 1u);
        EXPECT_EQ(releases.Delta(), 0u);
    }
    EXPECT_EQ(releases.Delta(), 1u);
    EXPECT_FALSE(KlapiLoaded());
}

// A released binding says so, and a call through it (a window ending after its
// binding) is a harmless no-op rather than a jump into an unloaded library.
TEST(KLApiBindingReady, ReleasedBindingSaysSoAndItsCallsAreNoOps) {
    ASSERT_FALSE(KlapiLoaded());
    CallCounter releases("KLRelease"), closes("KLCloseChannel");
    KLApiBinding binding;
    ASSERT_EQ(binding.IsInitialized(), 1);
    binding.Release();
    EXPECT_EQ(binding.IsInitialized(), 0);
    EXPECT_FALSE(KlapiLoaded());
    EXPECT_EQ(releases.Delta(), 1u);
    int size = 0;
    EXPECT_EQ(binding.KLReceiveCancel(5), KL_FAILURE);
    EXPECT_EQ(binding.KLCloseChannel(5), KL_FAILURE);
    EXPECT_EQ(binding.KLGetStatus(5, nullptr, &size), KL_FAILURE);
    EXPECT_EQ(binding.KLOpenChannel(1, "Kestrel_K7", 4), 0) << "no channel";
    EXPECT_EQ(closes.Delta(), 0u);
    binding.Release();
    EXPECT_EQ(releases.Delta(), 1u) << "released once, also by the destructor";
}

TEST(KLApiBindingReady, NestedBindingsEachInitialiseAndReleaseAndShareTheModule) {
    CallCounter inits("KLInitialize"), releases("KLRelease");
    simtest::SimulatedPrinter printer("PqifTest_Nested");
    {
        KLApiBinding outer;
        ASSERT_EQ(outer.IsInitialized(), 1);
        {
            KLApiBinding inner;
            EXPECT_EQ(inner.IsInitialized(), 1);
            EXPECT_EQ(inits.Delta(), 2u);
        }
        EXPECT_EQ(releases.Delta(), 1u);
        // The outer binding's pointers still reach a loaded, working library.
        EXPECT_TRUE(KlapiLoaded());
        int size = 0;
        EXPECT_EQ(outer.KLGetDeviceID(1, printer.name(), nullptr, &size), KL_BUFFER_TOO_SMALL);
        EXPECT_GT(size, 0);
    }
    EXPECT_EQ(releases.Delta(), 2u);
    EXPECT_FALSE(KlapiLoaded());
}

// The simulated library's "InitResult" value drives the refused states of
// the ordinary module too.
TEST(KLApiBindingRefused, ScriptedInitResultDecidesWhetherReleaseFollows) {
    struct Case {
        LONG result;
        DWORD releases;
    } const cases[] = {{-5, 0}, {-1, 0}, {1, 1}, {3, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.result);
        simtest::InitResultGuard scripted(c.result);
        CallCounter inits("KLInitialize"), releases("KLRelease");
        {
            KLApiBinding binding;
            EXPECT_EQ(binding.IsInitialized(), 0);
            EXPECT_EQ(binding.InitResult(), c.result);
        }
        EXPECT_EQ(inits.Delta(), 1u);
        EXPECT_EQ(releases.Delta(), c.releases);
        EXPECT_FALSE(KlapiLoaded());
    }
}

// The variant modules, loaded by full path first so that the binding's load
// by name gets them.
struct VariantCase {
    const char* variant;
    int resolved;
    int initResult;
    DWORD inits;
    DWORD releases;
};

class KLApiBindingVariant : public ::testing::TestWithParam<VariantCase> {};

TEST_P(KLApiBindingVariant, ReachesItsStateAndLeavesNothingLoaded) {
    const VariantCase& c = GetParam();
    ASSERT_FALSE(KlapiLoaded());
    HMODULE variant = ::LoadLibraryA(simtest::VariantPath(c.variant).c_str());
    ASSERT_NE(variant, nullptr) << simtest::VariantPath(c.variant);
    CallCounter inits("KLInitialize"), releases("KLRelease");
    {
        KLApiBinding binding;
        EXPECT_EQ(::GetModuleHandleA("KLAPI.DLL"), variant);
        EXPECT_EQ(binding.IsInitialized(), 0);
        EXPECT_EQ(binding.InitResult(), c.initResult);
        EXPECT_EQ(ResolvedCount(binding), c.resolved);
        EXPECT_EQ(inits.Delta(), c.inits);
    }
    EXPECT_EQ(releases.Delta(), c.releases);
    // Only the test's own reference is left.
    EXPECT_EQ(::GetModuleHandleA("KLAPI.DLL"), variant);
    ::FreeLibrary(variant);
    EXPECT_FALSE(KlapiLoaded());
}

INSTANTIATE_TEST_SUITE_P(States, KLApiBindingVariant,
                         ::testing::Values(VariantCase{"no-receive", 9, -1, 0, 0},
                                           VariantCase{"init-fails", 10, -1, 1, 0},
                                           VariantCase{"init-refuses", 10, 1, 1, 1}),
                         [](const ::testing::TestParamInfo<VariantCase>& info) {
                             std::string name = info.param.variant;
                             name.erase(name.find('-'), 1);
                             return name;
                         });

} // namespace
