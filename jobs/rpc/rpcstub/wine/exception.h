/*
 * The frame primitives that the generated RPC stubs build their try/except and
 * try/finally blocks on, mapped onto the project's own i386 frames
 * (jobs/rpc/SehFrame.h). The stubs include this file by this name.
 */
#ifndef PQIF_RPCSTUB_EXCEPTION_H
#define PQIF_RPCSTUB_EXCEPTION_H

#include "jobs/rpc/SehFrame.h"

typedef PqifSehJump __wine_jmp_buf;

#define __wine_setjmpex(jump, frame) PQIF_SEH_SETJMP(jump)
#define __wine_longjmp(jump, value) PQIF_SEH_LONGJMP(jump)
#define __wine_get_frame() PqifSehTop()
#define __wine_push_frame(frame) PqifSehPush(frame)
#define __wine_pop_frame(frame) PqifSehPop(frame)

/* Unwinds to frame, then continues in target, which jumps and never returns. */
static inline void __wine_rtl_unwind(EXCEPTION_REGISTRATION_RECORD* frame, EXCEPTION_RECORD* record,
                                     void (*target)(void)) {
    PqifSehUnwindTo(frame, record);
    target();
}

#endif
