// vrpmsvc.exe: the print-manager service. Serves the print-manager interface on
// "ncalrpc" (endpoint registered with the endpoint mapper) and on the named pipe
// \pipe\VORNE_PM_RPC_02 until its stop event is set (pmctl stop).
#include <windows.h>
#include <rpc.h>
#include <cstdio>

#include "JobEngine.h"
#include "PmServerRoutines.h"
#include "PrintManager.h"

int main() {
    // Never destroyed: context rundowns may still run while the process ends.
    JobEngine* engine = new JobEngine;
    if (!engine->IsReady()) {
        std::fprintf(stderr, "vrpmsvc: the job store cannot be opened: %s\n",
                     JobStore::Path().c_str());
        return 1;
    }
    SetServerEngine(engine);
    return ServePrintManager(PrintManagerRpc_v1_0_s_ifspec, engine->Store());
}
