// pmrogue.exe: a print-manager service that answers GetJobValue (operation 13)
// wrongly, for the client's bounds tests. Modes:
//   oversize      the reply's array is 64 bytes longer than the request's
//   negative      needed comes back as -100
//   huge          needed comes back as 0x7FFFFFFF
//   unterminated  the array comes back full of 'R', without a terminator
//   offset        the array starts 4 bytes into the caller's buffer
//   conformance   maximum and actual count 64 KiB above the request's
//   far           offset 16 MiB - 16 within a maximum of 16 MiB, 16 bytes
//   die           the service ends inside the call
//   silent        the call is never answered
// Every other operation is the real service's.
#include <windows.h>
#include <rpc.h>
#include <cstring>
#include <string>
#include <vector>

#include "JobEngine.h"
#include "PmServerRoutines.h"
#include "PrintManager.h"

namespace {

std::string mode;

uint32_t Load(const unsigned char* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

void Store(std::vector<unsigned char>& out, uint32_t v) {
    unsigned char bytes[4];
    std::memcpy(bytes, &v, 4);
    out.insert(out.end(), bytes, bytes + 4);
}

// Request: context handle (20), job, kind, count, array (maximum, offset,
// actual, bytes, padding), needed. Reply: context handle, array, needed, result.
void __RPC_STUB RogueGetJobValue(PRPC_MESSAGE message) {
    const unsigned char* in = static_cast<const unsigned char*>(message->Buffer);
    if (message->BufferLength < 44)
        ::RpcRaiseException(RPC_X_BAD_STUB_DATA);
    uint32_t count = Load(in + 28);
    if (count > 4096 || message->BufferLength < 44 + count)
        ::RpcRaiseException(RPC_X_BAD_STUB_DATA);

    uint32_t maximum = count;
    uint32_t offset = 0;
    uint32_t length = count;
    int32_t needed = static_cast<int32_t>(count);
    int32_t result = 1;
    if (mode == "die")
        ::ExitProcess(3);
    if (mode == "silent")
        ::Sleep(INFINITE);
    if (mode == "oversize")
        maximum = length = count + 64;
    else if (mode == "offset" && count > 4)
        offset = 4, length = count - 4;
    else if (mode == "conformance")
        maximum = length = count + 0x10000;
    else if (mode == "far")
        maximum = 0x1000000, offset = 0x1000000 - 16, length = 16;
    else if (mode == "negative")
        needed = -100;
    else if (mode == "huge")
        needed = 0x7FFFFFFF;

    std::vector<unsigned char> out(in, in + 20);
    Store(out, maximum);
    Store(out, offset);
    Store(out, length);
    out.insert(out.end(), length, 'R');
    while (out.size() % 4)
        out.push_back(0);
    Store(out, static_cast<uint32_t>(needed));
    Store(out, static_cast<uint32_t>(result));

    message->BufferLength = static_cast<unsigned int>(out.size());
    RPC_STATUS status = ::I_RpcGetBuffer(message);
    if (status != RPC_S_OK)
        ::RpcRaiseException(status);
    std::memcpy(message->Buffer, out.data(), out.size());
}

} // namespace

int main(int argc, char** argv) {
    mode = argc > 1 ? argv[1] : "";
    JobEngine* engine = new JobEngine;
    if (!engine->IsReady())
        return 1;
    SetServerEngine(engine);

    static RPC_SERVER_INTERFACE rogue =
        *static_cast<RPC_SERVER_INTERFACE*>(PrintManagerRpc_v1_0_s_ifspec);
    static RPC_DISPATCH_TABLE table = *rogue.DispatchTable;
    static std::vector<RPC_DISPATCH_FUNCTION> functions(
        table.DispatchTable, table.DispatchTable + table.DispatchTableCount);
    functions.at(13) = RogueGetJobValue;
    table.DispatchTable = functions.data();
    rogue.DispatchTable = &table;
    return ServePrintManager(&rogue, engine->Store());
}
