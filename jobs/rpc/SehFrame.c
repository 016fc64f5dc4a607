#include "jobs/rpc/SehFrame.h"

#if defined(__i386__)

/*
 * RtlUnwind is not bound to keep ebx, esi, edi or ebp, so they are saved here
 * around the call and the target frame is taken from the stack afterwards.
 * Stack after the four pushes: edi, esi, ebx, ebp, return address, target, record.
 */
__asm__(".text\n"
        ".globl _PqifSehUnwindTo\n"
        "_PqifSehUnwindTo:\n"
        "    pushl %ebp\n"
        "    pushl %ebx\n"
        "    pushl %esi\n"
        "    pushl %edi\n"
        "    movl 20(%esp), %eax\n"
        "    movl 24(%esp), %ecx\n"
        "    pushl $0\n"
        "    pushl %ecx\n"
        "    pushl $0\n"
        "    pushl %eax\n"
        "    call _RtlUnwind@16\n"
        "    movl 20(%esp), %eax\n"
        "    movl %eax, %fs:0\n"
        "    popl %edi\n"
        "    popl %esi\n"
        "    popl %ebx\n"
        "    popl %ebp\n"
        "    ret\n");

#else

/*
 * x86_64: the registered frames are Wine's own convention, which RtlUnwind does
 * not walk here; their unwind handlers are called in order, as RtlUnwind calls
 * them on i386, and the chain is cut back to target.
 */
void PqifSehUnwindTo(EXCEPTION_REGISTRATION_RECORD* target, EXCEPTION_RECORD* record) {
    EXCEPTION_RECORD unwind;
    if (record) {
        unwind = *record;
    } else {
        ZeroMemory(&unwind, sizeof unwind);
        unwind.ExceptionCode = 0xC0000027; /* STATUS_UNWIND */
    }
    unwind.ExceptionFlags |= EH_UNWINDING;
    EXCEPTION_REGISTRATION_RECORD* frame = PqifSehTop();
    while (frame && frame != target && frame != (EXCEPTION_REGISTRATION_RECORD*)~(ULONG_PTR)0) {
        EXCEPTION_REGISTRATION_RECORD* next = frame->Next;
        PqifSehSetTop(next);
        if (frame->Handler) {
            DISPATCHER_CONTEXT* dispatch = NULL;
            frame->Handler(&unwind, frame, NULL, dispatch);
        }
        frame = next;
    }
    PqifSehSetTop(target);
}

#endif
