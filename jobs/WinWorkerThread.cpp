#include "jobs/WinWorkerThread.h"

#include <windows.h>
#include <rpc.h>

#include <new>

#include "framework/Handles.h"

namespace {

struct Start {
    std::function<void()> body;
    HMODULE self = nullptr;
};

DWORD WINAPI WorkerMain(void* parameter) {
    Start* start = static_cast<Start*>(parameter);
    try {
        start->body();
    } catch (...) {
    }
    HMODULE self = start->self;
    delete start;
    // The last reference may be this one: the code that follows must not be ours.
    ::FreeLibraryAndExitThread(self, 0);
    return 0;
}

class WinWorker : public WorkerThread {
public:
    explicit WinWorker(HANDLE thread) : m_Thread(thread) {}
    bool WaitFor(unsigned milliseconds) override {
        return ::WaitForSingleObject(m_Thread.get(), milliseconds) == WAIT_OBJECT_0;
    }
    void CancelBlockingCall() override { ::RpcCancelThreadEx(m_Thread.get(), 0); }

private:
    UniqueKernelHandle m_Thread;
};

} // namespace

std::unique_ptr<WorkerThread> StartWinWorker(std::function<void()> body) {
    // cppcheck-suppress unreadVariable ; read through start-> and released below
    std::unique_ptr<Start> start(new (std::nothrow) Start{std::move(body), nullptr});
    if (!start)
        return nullptr;
    if (!::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                              reinterpret_cast<LPCSTR>(&WorkerMain), &start->self))
        return nullptr;
    HANDLE thread = ::CreateThread(nullptr, 0, &WorkerMain, start.get(), 0, nullptr);
    if (!thread) {
        ::FreeLibrary(start->self);
        return nullptr;
    }
    static_cast<void>(start.release()); // the thread owns it now
    return std::make_unique<WinWorker>(thread);
}
