#pragma once
#include <windows.h>
#include <rpc.h>

class JobEngine;
class JobStore;

// The engine the server routines work on; set before serving.
void SetServerEngine(JobEngine* engine);

// Listens on the named pipe and on "ncalrpc" (registered with the endpoint
// mapper) with the given interface until the service's stop event is set.
// 0 after a clean stop, 1 when the service could not start.
int ServePrintManager(RPC_IF_HANDLE interfaceSpec, JobStore& jobs);
