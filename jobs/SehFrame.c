#include "jobs/SehFrame.h"

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
