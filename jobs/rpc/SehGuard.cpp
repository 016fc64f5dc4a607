#include "jobs/rpc/SehGuard.h"

#include "jobs/rpc/SehFrame.h"

namespace {

constexpr DWORD CppExceptionCode = 0xE06D7363;

struct GuardFrame {
    EXCEPTION_REGISTRATION_RECORD registration; // first: the handler is given its address
    PqifSehJump jump;
    volatile DWORD code;
    volatile LONG unwinding; // the guard's own unwind is under way
};

struct Call {
    void (*fn)(void*);
    void* arg;
    bool cppFailed;
};

EXCEPTION_DISPOSITION __cdecl GuardHandler(EXCEPTION_RECORD* record, void* establisher, CONTEXT*,
                                           void*) {
    if (record->ExceptionFlags & (EH_UNWINDING | EH_EXIT_UNWIND))
        return ExceptionContinueSearch;
    // A fault raised by a handler (a stub's finally block faulting during this
    // guard's unwind) arrives marked as nested: it stops here like any other,
    // or it would end the thread.
    GuardFrame* frame = static_cast<GuardFrame*>(establisher);
    if (frame->unwinding) {
        // The unwind that faulted is abandoned; the jump restores the chain.
        PQIF_SEH_LONGJMP(&frame->jump);
    }
    frame->code = record->ExceptionCode;
    frame->unwinding = 1;
    PqifSehUnwindTo(&frame->registration, record);
    PQIF_SEH_LONGJMP(&frame->jump);
    return ExceptionContinueSearch;
}

// A C++ exception unwinding through the frame would leave it registered on the
// chain after this function returned, so none may pass.
void RunStoppingCppExceptions(Call* call) noexcept {
    try {
        call->fn(call->arg);
    } catch (...) {
        call->cppFailed = true;
    }
}

} // namespace

__attribute__((noinline)) SehOutcome RunCatchingSeh(void (*fn)(void*), void* arg) noexcept {
    Call call{fn, arg, false};
    GuardFrame frame;
    frame.registration.Handler = reinterpret_cast<PEXCEPTION_ROUTINE>(&GuardHandler);
    frame.code = 0;
    frame.unwinding = 0;
    SehOutcome outcome;
    if (PQIF_SEH_SETJMP(&frame.jump) == 0) {
        PqifSehPush(&frame.registration);
        RunStoppingCppExceptions(&call);
        PqifSehPop(&frame.registration);
        if (call.cppFailed) {
            outcome.raised = true;
            outcome.code = CppExceptionCode;
        }
        return outcome;
    }
    outcome.raised = true;
    outcome.code = frame.code;
    return outcome;
}
