#include "jobs/rpc/PmJobValueCall.h"

#include <rpc.h>
#include <rpcndr.h>
#include <cstring>
#include <vector>

#include "PrintManager.h"
#include "jobs/rpc/SehGuard.h"

namespace {
constexpr unsigned int GetJobValueOperation = 13;

// Marshals the request into the runtime's buffer and exchanges it with the
// server; raises on every failure of the runtime. Returns the binding used.
RPC_BINDING_HANDLE SendJobValueRequest(RPC_MESSAGE& message, void** context,
                                       const std::vector<unsigned char>& request,
                                       bool& haveBuffer) {
    RPC_BINDING_HANDLE binding = NDRCContextBinding(static_cast<NDR_CCONTEXT>(*context));
    message.Handle = binding;
    message.DataRepresentation = NDR_LOCAL_DATA_REPRESENTATION;
    message.ProcNum = GetJobValueOperation;
    message.RpcInterfaceInformation = PrintManagerRpc_v1_0_c_ifspec;
    message.BufferLength = static_cast<unsigned int>(request.size());
    RPC_STATUS status = ::I_RpcGetBuffer(&message);
    if (status != RPC_S_OK)
        ::RpcRaiseException(status);
    haveBuffer = true;
    auto* out = static_cast<unsigned char*>(message.Buffer);
    NDRCContextMarshall(static_cast<NDR_CCONTEXT>(*context), out);
    std::memcpy(out + PmContextHandleSize, request.data() + PmContextHandleSize,
                request.size() - PmContextHandleSize);
    message.BufferLength = static_cast<unsigned int>(request.size());

    status = ::I_RpcSendReceive(&message);
    if (status != RPC_S_OK)
        ::RpcRaiseException(status);
    // Another byte order would need converting; no print manager sends one.
    if ((message.DataRepresentation & 0xFFFF) != NDR_LOCAL_DATA_REPRESENTATION)
        ::RpcRaiseException(RPC_X_BAD_STUB_DATA);
    return binding;
}

PmJobValueOutcome OutcomeOf(const SehOutcome& raised, PmReplyVerdict verdict,
                            const PmJobValueReply& reply) {
    PmJobValueOutcome outcome;
    if (raised.raised) {
        outcome.kind = PmJobValueOutcome::Raised;
        outcome.code = raised.code;
        return outcome;
    }
    outcome.verdict = verdict;
    if (verdict != PmReplyVerdict::Accepted) {
        outcome.kind = PmJobValueOutcome::Rejected;
        return outcome;
    }
    outcome.kind = PmJobValueOutcome::Answered;
    outcome.result = reply.result;
    outcome.needed = reply.needed;
    return outcome;
}

} // namespace

PmJobValueOutcome CallGetJobValue(void** context, int32_t job, int32_t kind,
                                  const unsigned char* sent, uint32_t sentCount,
                                  unsigned char* received, int32_t needed) {
    std::vector<unsigned char> request;
    try {
        request = BuildJobValueRequest(job, kind, sent, sentCount, needed);
    } catch (...) {
        PmJobValueOutcome outcome;
        outcome.code = ERROR_NOT_ENOUGH_MEMORY;
        return outcome;
    }

    RPC_MESSAGE message{};
    bool haveBuffer = false;
    PmJobValueReply reply;
    PmReplyVerdict verdict = PmReplyVerdict::Truncated;
    SehOutcome raised = CatchStructured([&] {
        RPC_BINDING_HANDLE binding = SendJobValueRequest(message, context, request, haveBuffer);
        const auto* in = static_cast<const unsigned char*>(message.Buffer);
        verdict = CheckJobValueReply(in, message.BufferLength, sentCount, &reply);
        if (verdict != PmReplyVerdict::Accepted)
            return;
        NDRCContextUnmarshall(reinterpret_cast<NDR_CCONTEXT*>(context), binding,
                              const_cast<unsigned char*>(in), message.DataRepresentation);
        if (received && reply.count)
            std::memcpy(received, in + reply.dataOffset, reply.count);
    });
    if (haveBuffer)
        CatchStructured([&] { ::I_RpcFreeBuffer(&message); });
    return OutcomeOf(raised, verdict, reply);
}
