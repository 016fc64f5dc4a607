// The exception frames that stand in for compiler-supported SEH: the RPC stubs
// and the print-manager client rely on them to turn faults into results.
#include <gtest/gtest.h>

#include <windows.h>
#include <stdexcept>
#include <thread>

#include "jobs/rpc/SehFrame.h"
#include "jobs/rpc/SehGuard.h"

namespace {

TEST(SehGuardTest, CatchesRaisedExceptionsAndFaultsAndRestoresTheChain) {
    EXCEPTION_REGISTRATION_RECORD* top = PqifSehTop();
    int reached = 0;
    SehOutcome none = CatchStructured([&] { reached = 1; });
    EXPECT_FALSE(none.raised);
    EXPECT_EQ(reached, 1);

    SehOutcome raised = CatchStructured([&] {
        ::RaiseException(0xE0001234, 0, 0, nullptr);
        reached = 2;
    });
    EXPECT_TRUE(raised.raised);
    EXPECT_EQ(raised.code, 0xE0001234);
    EXPECT_EQ(reached, 1) << "nothing after the raise runs";

    SehOutcome fault = CatchStructured([] {
        volatile int* nowhere = nullptr;
        // cppcheck-suppress nullPointer ; the fault is the point
        *nowhere = 1;
    });
    EXPECT_TRUE(fault.raised);
    EXPECT_EQ(fault.code, static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION));

    SehOutcome rpc = CatchStructured([] { ::RpcRaiseException(RPC_S_SERVER_UNAVAILABLE); });
    EXPECT_EQ(rpc.code, static_cast<DWORD>(RPC_S_SERVER_UNAVAILABLE));
    EXPECT_EQ(PqifSehTop(), top);
}

TEST(SehGuardTest, InnerGuardCatchesFirstAndOuterGoesOn) {
    SehOutcome inner{};
    SehOutcome outer = CatchStructured([&] {
        inner = CatchStructured([] { ::RaiseException(0xE0000001, 0, 0, nullptr); });
        ::RaiseException(0xE0000002, 0, 0, nullptr);
    });
    EXPECT_EQ(inner.code, 0xE0000001u);
    EXPECT_EQ(outer.code, 0xE0000002u);
}

TEST(SehGuardTest, StopsCppExceptionsSoNoFrameIsLeftBehind) {
    EXCEPTION_REGISTRATION_RECORD* top = PqifSehTop();
    SehOutcome outcome = CatchStructured([] { throw std::runtime_error("no"); });
    EXPECT_TRUE(outcome.raised);
    EXPECT_EQ(outcome.code, 0xE06D7363u);
    EXPECT_EQ(PqifSehTop(), top);
}

// A frame between the guard and the fault, as a stub's try/finally block has:
// the unwind must call it once with the unwinding flag, so its finally runs.
// Like a stub's, it lives deeper on the stack than the guard.
struct CountingFrame {
    EXCEPTION_REGISTRATION_RECORD registration;
    int* searched;
    int* unwound;
};

EXCEPTION_DISPOSITION __cdecl CountingHandler(EXCEPTION_RECORD* record, void* frame, CONTEXT*,
                                              void*) {
    auto* self = static_cast<CountingFrame*>(frame);
    if (record->ExceptionFlags & (EH_UNWINDING | EH_EXIT_UNWIND))
        ++*self->unwound;
    else
        ++*self->searched;
    return ExceptionContinueSearch;
}

__attribute__((noinline)) void RaiseUnderCountingFrame(int* searched, int* unwound) {
    CountingFrame inner{};
    inner.registration.Handler = reinterpret_cast<PEXCEPTION_ROUTINE>(&CountingHandler);
    // cppcheck-suppress unreadVariable ; read by the handler through the chain
    inner.searched = searched;
    // cppcheck-suppress unreadVariable
    inner.unwound = unwound;
    PqifSehPush(&inner.registration);
    ::RaiseException(0xE0000003, 0, 0, nullptr);
    PqifSehPop(&inner.registration);
}

TEST(SehGuardTest, UnwindRunsTheHandlersOfInnerFrames) {
    int searched = 0, unwound = 0;
    EXCEPTION_REGISTRATION_RECORD* top = PqifSehTop();
    SehOutcome outcome = CatchStructured([&] { RaiseUnderCountingFrame(&searched, &unwound); });
    EXPECT_TRUE(outcome.raised);
    EXPECT_EQ(searched, 1);
    EXPECT_EQ(unwound, 1);
    EXPECT_EQ(PqifSehTop(), top) << "the inner frame is off the chain after the unwind";
}

// A frame whose unwind handler faults, as a stub's finally block may when the
// reply it frees was broken: the second fault comes back to the guard too.
EXCEPTION_DISPOSITION __cdecl FaultingUnwindHandler(EXCEPTION_RECORD* record, void*, CONTEXT*,
                                                    void*) {
    if (record->ExceptionFlags & (EH_UNWINDING | EH_EXIT_UNWIND)) {
        volatile int* nowhere = nullptr;
        // cppcheck-suppress nullPointer ; the fault is the point
        *nowhere = 2;
    }
    return ExceptionContinueSearch;
}

__attribute__((noinline)) void RaiseUnderFaultingFrame() {
    EXCEPTION_REGISTRATION_RECORD inner{};
    inner.Handler = reinterpret_cast<PEXCEPTION_ROUTINE>(&FaultingUnwindHandler);
    PqifSehPush(&inner);
    ::RaiseException(0xE0000004, 0, 0, nullptr);
    PqifSehPop(&inner);
}

TEST(SehGuardTest, FaultDuringTheUnwindComesBackToTheGuard) {
    EXCEPTION_REGISTRATION_RECORD* top = PqifSehTop();
    for (int i = 0; i < 3; ++i) {
        SehOutcome outcome = CatchStructured([] { RaiseUnderFaultingFrame(); });
        EXPECT_TRUE(outcome.raised);
        EXPECT_EQ(PqifSehTop(), top);
    }
    // The guard still works afterwards, on this thread and on another.
    EXPECT_TRUE(CatchStructured([] { ::RaiseException(0xE0000005, 0, 0, nullptr); }).raised);
    std::thread other([] {
        SehOutcome outcome = CatchStructured([] { RaiseUnderFaultingFrame(); });
        EXPECT_TRUE(outcome.raised);
    });
    other.join();
}

// Windows offers a fault raised inside the guard's own unwind to the guard as a
// nested call (Wine clears the mark first); the guard must take it as well.
__attribute__((noinline)) void RaiseMarkedNested(DWORD code) {
    using RaiseFn = void(WINAPI*)(EXCEPTION_RECORD*);
    auto raise = reinterpret_cast<RaiseFn>(
        ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "RtlRaiseException"));
    EXCEPTION_RECORD record{};
    record.ExceptionCode = code;
    record.ExceptionFlags = EH_NESTED_CALL;
    raise(&record);
}

TEST(SehGuardTest, FaultOfferedAsANestedCallStopsAtTheGuard) {
    EXCEPTION_REGISTRATION_RECORD* top = PqifSehTop();
    SehOutcome outcome = CatchStructured([] { RaiseMarkedNested(0xC0000005); });
    EXPECT_TRUE(outcome.raised);
    EXPECT_EQ(outcome.code, 0xC0000005u);
    EXPECT_EQ(PqifSehTop(), top);
}

TEST(SehGuardTest, ManyFaultsInARowLeaveNothingBehind) {
    EXCEPTION_REGISTRATION_RECORD* top = PqifSehTop();
    int caught = 0;
    for (int i = 0; i < 2000; ++i) {
        volatile int sink = 0;
        SehOutcome outcome = CatchStructured([&] {
            sink = sink + i;
            ::RaiseException(0xE0000000u + static_cast<DWORD>(i % 7), 0, 0, nullptr);
        });
        caught += outcome.raised && outcome.code == 0xE0000000u + static_cast<DWORD>(i % 7);
    }
    EXPECT_EQ(caught, 2000);
    EXPECT_EQ(PqifSehTop(), top);
}

} // namespace
