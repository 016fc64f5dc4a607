#pragma once
#include <windows.h>
#include <cstdint>

#include "jobs/rpc/PmJobValueWire.h"

// GetJobValue (operation 13) over RPC, marshalled here rather than by the
// generated stub: the stub would copy the reply's array to wherever its offset
// and counts point. The reply is checked first (CheckJobValueReply); only an
// accepted reply's data reaches received, at most sentCount bytes of it.
struct PmJobValueOutcome {
    enum Kind {
        Answered, // result and needed hold the server's answer
        Raised,   // the call raised; code tells what
        Rejected, // the reply broke the wire contract; nothing was written
    } kind = Raised;
    DWORD code = 0;
    PmReplyVerdict verdict = PmReplyVerdict::Accepted;
    int32_t result = 0;
    int32_t needed = 0;
};

// context: the connection's context handle (updated from the reply as the
// generated stubs do). received may be null (a size probe): nothing is copied.
PmJobValueOutcome CallGetJobValue(void** context, int32_t job, int32_t kind,
                                  const unsigned char* sent, uint32_t sentCount,
                                  unsigned char* received, int32_t needed);
