// The print-manager interface's server routines, over the job engine.
#include <windows.h>
#include <rpc.h>
#include <cstdio>
#include <cstring>
#include <new>

#include "JobEngine.h"
#include "PmServerRoutines.h"
#include "PrintManager.h"
#include "ServiceNames.h"
#include "framework/Handles.h"
#include "jobs/PmNames.h"
#include "jobs/PmValueKinds.h"

namespace {

JobEngine* engine = nullptr;

// One connection of a client: the queue it opened (operation 4).
struct Session {
    int32_t queue = 0;
};

Session* SessionOf(PM_CONTEXT* context) {
    return context ? static_cast<Session*>(*context) : nullptr;
}

// What the client sent, for tests and pmctl; and the scripted end of the
// process inside an operation, for clients that must survive a server that dies.
void Arrived(int32_t operation, int32_t job = 0, int32_t kind = 0, int32_t count = 0,
             const char* text = nullptr, const void* bytes = nullptr) {
    bool die = false;
    {
        JobStore::Access store(engine->Store());
        if (!store)
            return;
        RecordCall(*store, operation, job, kind, count, text, bytes);
        if (store->dieInOperation == operation) {
            store->dieInOperation = -1;
            die = true;
        }
    }
    if (die)
        ::TerminateProcess(::GetCurrentProcess(), 3);
    engine->AnswerWhenAllowed(operation);
}

bool IsPlaceholder(long count, const unsigned char* bytes) {
    return count == PmPlaceholderSize && bytes &&
           std::memcmp(bytes, PmPlaceholder, PmPlaceholderSize) == 0;
}

} // namespace

extern "C" {

LONG PmConnect(PM_CONTEXT* context, const char* moduleName) {
    Arrived(0, 0, 0, 0, moduleName);
    *context = new (std::nothrow) Session;
    return *context ? 1 : 0;
}

LONG PmDisconnect(PM_CONTEXT* context) {
    Arrived(1);
    Session* session = SessionOf(context);
    if (!session)
        return 0;
    if (session->queue)
        engine->CloseQueue(session->queue);
    delete session;
    *context = nullptr;
    return 1;
}

void __RPC_USER PM_CONTEXT_rundown(PM_CONTEXT context) {
    Session* session = static_cast<Session*>(context);
    if (session && session->queue)
        engine->CloseQueue(session->queue);
    delete session;
}

LONG PmReserved2(PM_CONTEXT*, const char*, const char*, LONG, LONG, unsigned char*) {
    Arrived(2);
    return 0;
}

LONG PmReserved3(PM_CONTEXT*) {
    Arrived(3);
    return 0;
}

LONG PmOpenQueue(PM_CONTEXT* context, const char* printerName, const char* portName, LONG,
                 LONG count, unsigned char* data) {
    Arrived(4, 0, 0, count, printerName, data);
    Session* session = SessionOf(context);
    if (!session)
        return 0;
    if (session->queue)
        engine->CloseQueue(session->queue);
    session->queue = engine->OpenQueue(printerName, portName);
    return session->queue;
}

LONG PmCloseQueue(PM_CONTEXT* context) {
    Arrived(5);
    Session* session = SessionOf(context);
    if (!session || !session->queue)
        return 0;
    LONG result = engine->CloseQueue(session->queue);
    session->queue = 0;
    return result;
}

LONG PmHasJob(PM_CONTEXT* context) {
    Arrived(6);
    Session* session = SessionOf(context);
    return session ? engine->HasJob(session->queue) : 0;
}

LONG PmReserved7(PM_CONTEXT*, LONG, LONG, unsigned char*) {
    Arrived(7);
    return 0;
}

LONG PmReserved8(PM_CONTEXT*, LONG) {
    Arrived(8);
    return 0;
}

LONG PmGetCurrentJob(PM_CONTEXT* context) {
    Arrived(9);
    Session* session = SessionOf(context);
    return session ? engine->GetCurrentJob(session->queue) : 0;
}

LONG PmIsJobActive(PM_CONTEXT* context, LONG job) {
    Arrived(10, job);
    Session* session = SessionOf(context);
    return session ? engine->IsJobActive(session->queue, job) : 0;
}

LONG PmSetJobValue(PM_CONTEXT* context, LONG job, LONG kind, LONG count, unsigned char* value) {
    Arrived(11, job, kind, count, nullptr, value);
    Session* session = SessionOf(context);
    if (!session || IsPlaceholder(count, value))
        return 0;
    return engine->SetJobValue(session->queue, job, kind, value, count);
}

LONG PmReserved12(PM_CONTEXT*, LONG, LONG, LONG) {
    Arrived(12);
    return 0;
}

LONG PmGetJobValue(PM_CONTEXT* context, LONG job, LONG kind, LONG count, unsigned char* buffer,
                   LONG* needed) {
    Arrived(13, job, kind, count, nullptr, buffer);
    Session* session = SessionOf(context);
    if (!session)
        return 0;
    // The placeholder of a size probe is no buffer to fill.
    bool probe = IsPlaceholder(count, buffer);
    int32_t need = *needed;
    LONG result = engine->GetJobValue(session->queue, job, kind, probe ? nullptr : buffer,
                                      probe ? 0 : count, &need);
    *needed = need;
    return result;
}

LONG PmBeginJobWatch(PM_CONTEXT* context, LONG job) {
    Arrived(14, job);
    Session* session = SessionOf(context);
    return session ? engine->BeginJobWatch(session->queue, job) : 0;
}

LONG PmEndJobWatch(PM_CONTEXT* context, LONG job) {
    Arrived(15, job);
    Session* session = SessionOf(context);
    return session ? engine->EndJobWatch(session->queue, job) : 0;
}

LONG PmReserved16(PM_CONTEXT*) {
    Arrived(16);
    return 0;
}

} // extern "C"

void SetServerEngine(JobEngine* serving) {
    engine = serving;
}

namespace {
unsigned char* Text(const char* s) {
    return reinterpret_cast<unsigned char*>(const_cast<char*>(s));
}
} // namespace

int ServePrintManager(RPC_IF_HANDLE interfaceSpec, JobStore& jobs) {
    UniqueKernelHandle stop(::CreateEventA(nullptr, TRUE, FALSE, ServiceStopEvent));
    UniqueKernelHandle ready(::CreateEventA(nullptr, TRUE, FALSE, ServiceReadyEvent));
    if (!stop || !ready)
        return 1;
    if (::WaitForSingleObject(ready.get(), 0) == WAIT_OBJECT_0) {
        std::fprintf(stderr, "vrpmsvc: already running\n");
        return 1;
    }
    ::ResetEvent(stop.get());

    RPC_STATUS status = ::RpcServerUseProtseqEpA(Text("ncacn_np"), RPC_C_PROTSEQ_MAX_REQS_DEFAULT,
                                                 Text(PmPipeEndpoint), nullptr);
    if (status == RPC_S_OK)
        status = ::RpcServerUseProtseqA(Text("ncalrpc"), RPC_C_PROTSEQ_MAX_REQS_DEFAULT, nullptr);
    if (status == RPC_S_OK)
        status = ::RpcServerRegisterIf(interfaceSpec, nullptr, nullptr);
    RPC_BINDING_VECTOR* bindings = nullptr;
    if (status == RPC_S_OK)
        status = ::RpcServerInqBindings(&bindings);
    // Clients that bind "ncalrpc" without an endpoint find it through the mapper.
    if (status == RPC_S_OK)
        status = ::RpcEpRegisterA(interfaceSpec, bindings, nullptr, Text("print manager"));
    if (status == RPC_S_OK)
        status = ::RpcServerListen(1, RPC_C_LISTEN_MAX_CALLS_DEFAULT, TRUE);
    if (status != RPC_S_OK) {
        std::fprintf(stderr, "vrpmsvc: cannot serve (RPC status %ld)\n", status);
        if (bindings)
            ::RpcBindingVectorFree(&bindings);
        return 1;
    }
    {
        JobStore::Access store(jobs);
        if (store)
            store->servicePid = ::GetCurrentProcessId();
    }
    ::SetEvent(ready.get());
    ::WaitForSingleObject(stop.get(), INFINITE);
    ::ResetEvent(ready.get());

    ::RpcMgmtStopServerListening(nullptr);
    ::RpcMgmtWaitServerListen();
    ::RpcEpUnregister(interfaceSpec, bindings, nullptr);
    ::RpcBindingVectorFree(&bindings);
    ::RpcServerUnregisterIf(nullptr, nullptr, FALSE);
    JobStore::Access store(jobs);
    if (store && store->servicePid == ::GetCurrentProcessId())
        store->servicePid = 0;
    return 0;
}
