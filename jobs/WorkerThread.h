#pragma once
#include <functional>
#include <memory>

// One started thread that its owner can wait for with a limit and let go of
// when it does not end in time. A thread that was let go keeps alive what its
// body holds (the body owns shared state, never its owner) and ends on its own.
class WorkerThread {
public:
    virtual ~WorkerThread() = default; // a thread still running is let go, not waited for
    // True once the thread has ended; waits at most this long.
    [[nodiscard]] virtual bool WaitFor(unsigned milliseconds) = 0;
    // Asks a blocking call of the thread to give up where the platform can
    // (a remote procedure call); nothing otherwise.
    virtual void CancelBlockingCall() {}
};

// Starts body on a new thread; null when no thread could be started.
using WorkerStarter = std::function<std::unique_ptr<WorkerThread>(std::function<void()> body)>;

// A standard-library thread: enough where the code cannot be unloaded under it.
std::unique_ptr<WorkerThread> StartPlainWorker(std::function<void()> body);
