/*
 * Structured-exception frames without compiler support: the frame
 * registration chain of the thread (fs:[0] on i386; on x86_64 the same list
 * in the TEB, which Wine's dispatcher also calls), a jump buffer that also
 * remembers the chain head, and an unwind that runs the handlers of the
 * frames pushed later. The x86_64 build serves the tests on machines that
 * cannot run 32-bit code.
 * Used by the generated RPC stubs (through rpcstub/wine/exception.h) and by
 * SehGuard. C and C++.
 */
#ifndef PQIF_JOBS_SEHFRAME_H
#define PQIF_JOBS_SEHFRAME_H

#include <windows.h>

#if !defined(__i386__) && !defined(__x86_64__)
#error "registered exception frames exist only on i386 and x86_64"
#endif

#ifndef EH_NONCONTINUABLE
#define EH_NONCONTINUABLE 0x01
#endif
#ifndef EH_UNWINDING
#define EH_UNWINDING 0x02
#endif
#ifndef EH_EXIT_UNWIND
#define EH_EXIT_UNWIND 0x04
#endif
#ifndef EH_NESTED_CALL
#define EH_NESTED_CALL 0x10
#endif

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__i386__)
static inline EXCEPTION_REGISTRATION_RECORD* PqifSehTop(void) {
    EXCEPTION_REGISTRATION_RECORD* top;
    __asm__ __volatile__("movl %%fs:0, %0" : "=r"(top));
    return top;
}

static inline void PqifSehSetTop(EXCEPTION_REGISTRATION_RECORD* top) {
    __asm__ __volatile__("movl %0, %%fs:0" : : "r"(top) : "memory");
}
#else
/* gs:[0] is the TEB's NT_TIB.ExceptionList. */
static inline EXCEPTION_REGISTRATION_RECORD* PqifSehTop(void) {
    EXCEPTION_REGISTRATION_RECORD* top;
    __asm__ __volatile__("movq %%gs:0, %0" : "=r"(top));
    return top;
}

static inline void PqifSehSetTop(EXCEPTION_REGISTRATION_RECORD* top) {
    __asm__ __volatile__("movq %0, %%gs:0" : : "r"(top) : "memory");
}
#endif

static inline void PqifSehPush(EXCEPTION_REGISTRATION_RECORD* frame) {
    frame->Next = PqifSehTop();
    PqifSehSetTop(frame);
}

static inline void PqifSehPop(EXCEPTION_REGISTRATION_RECORD* frame) {
    PqifSehSetTop(frame->Next);
}

/* A __builtin_setjmp buffer (five words) and the chain head to restore. */
typedef struct PqifSehJump {
    void* buffer[5];
    EXCEPTION_REGISTRATION_RECORD* chain;
} PqifSehJump;

/* Must expand in the function that stays active until the jump: a macro. */
#define PQIF_SEH_SETJMP(jump) ((jump)->chain = PqifSehTop(), __builtin_setjmp((jump)->buffer))

/* Back to the PQIF_SEH_SETJMP point with the chain as it was there. */
#define PQIF_SEH_LONGJMP(jump)                                                                     \
    do {                                                                                           \
        PqifSehSetTop((jump)->chain);                                                              \
        __builtin_longjmp((jump)->buffer, 1);                                                      \
    } while (0)

/*
 * Calls the unwind handlers of every frame above target (the finally blocks of
 * the stubs run here) and leaves target at the head of the chain. RtlUnwind
 * may not keep the callee-saved registers, so nothing here lives in them.
 */
void PqifSehUnwindTo(EXCEPTION_REGISTRATION_RECORD* target, EXCEPTION_RECORD* record);

#ifdef __cplusplus
}
#endif

#endif
