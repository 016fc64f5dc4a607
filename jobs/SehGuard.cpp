#include "jobs/SehGuard.h"

#include "jobs/SehFrame.h"

namespace {

constexpr DWORD CppExceptionCode = 0xE06D7363;

struct GuardFrame {
    EXCEPTION_REGISTRATION_RECORD registration; // first: the handler is given its address
    PqifSehJump jump;
    volatile DWORD code;
};

struct Call {
    void (*fn)(void*);
    void* arg;
    bool cppFailed;
};

EXCEPTION_DISPOSITION __cdecl GuardHandler(EXCEPTION_RECORD* record, void* establisher, CONTEXT*,
                                           void*) {
    if (record->ExceptionFlags & (EH_UNWINDING | EH_EXIT_UNWIND | EH_NESTED_CALL))
        return ExceptionContinueSearch;
    GuardFrame* frame = static_cast<GuardFrame*>(establisher);
    frame->code = record->ExceptionCode;
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
