#pragma once
#include "jobs/WorkerThread.h"

// A system thread that holds a reference on the module its code lives in and
// gives it back as it exits (FreeLibraryAndExitThread): a worker let go by its
// owner may outlive the export that started it, and the host may unload this
// library meanwhile. Cancelling asks the RPC run time to abandon the thread's
// call in progress.
std::unique_ptr<WorkerThread> StartWinWorker(std::function<void()> body);
