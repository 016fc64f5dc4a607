#include "jobs/WorkerThread.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

struct EndSignal {
    std::mutex lock;
    std::condition_variable ended;
    bool done = false;
};

class PlainWorker : public WorkerThread {
public:
    PlainWorker(std::thread thread, std::shared_ptr<EndSignal> signal)
        : m_Thread(std::move(thread)), m_Signal(std::move(signal)) {}
    ~PlainWorker() override {
        if (WaitFor(0))
            m_Thread.join();
        else
            m_Thread.detach();
    }
    bool WaitFor(unsigned milliseconds) override {
        std::unique_lock<std::mutex> hold(m_Signal->lock);
        return m_Signal->ended.wait_for(hold, std::chrono::milliseconds(milliseconds),
                                        [&] { return m_Signal->done; });
    }

private:
    std::thread m_Thread;
    std::shared_ptr<EndSignal> m_Signal;
};

} // namespace

std::unique_ptr<WorkerThread> StartPlainWorker(std::function<void()> body) {
    auto signal = std::make_shared<EndSignal>();
    try {
        std::thread thread([body = std::move(body), signal]() noexcept {
            try {
                body();
            } catch (...) {
            }
            std::lock_guard<std::mutex> hold(signal->lock);
            signal->done = true;
            signal->ended.notify_all();
        });
        return std::make_unique<PlainWorker>(std::move(thread), signal);
    } catch (...) {
        return nullptr;
    }
}
