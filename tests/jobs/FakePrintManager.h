#pragma once
// A print manager and a spooler of the tests' own, behind the job monitor's
// interfaces. Thread-safe: the worker thread calls it while tests script it.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "jobs/JobMonitor.h"
#include "jobs/PmValueKinds.h"

// Holds the calls named in it until they are let go: a print manager or a
// spooler that does not answer.
class Hang {
public:
    void In(const std::string& call) {
        std::lock_guard<std::mutex> hold(lock_);
        calls_.insert(call);
    }
    void LetGo() {
        std::lock_guard<std::mutex> hold(lock_);
        calls_.clear();
        letGo_.notify_all();
    }
    // Called at the start of each call of the fakes.
    void At(const char* call) {
        std::unique_lock<std::mutex> hold(lock_);
        if (!calls_.count(call))
            return;
        ++held_;
        letGo_.wait(hold, [&] { return !calls_.count(call); });
        --held_;
        ++passed_;
    }
    int Held() {
        std::lock_guard<std::mutex> hold(lock_);
        return held_;
    }
    int Passed() {
        std::lock_guard<std::mutex> hold(lock_);
        return passed_;
    }

private:
    std::mutex lock_;
    std::condition_variable letGo_;
    std::set<std::string> calls_;
    int held_ = 0;
    int passed_ = 0;
};

struct FakeJob {
    int32_t number = 0;
    int32_t spoolerId = 0;
    std::string document;
    uint16_t media[3] = {1, 257, 9};
    int32_t state = 1;
    int32_t sheets[2] = {0, 4};
    int32_t progress[2] = {0, 400};
    int32_t timeLeft = 60;
    bool active = true;
    // Ticks once per refresh (on the read of kind 101, the last of a refresh),
    // moving sheets, progress and time left together.
    bool advances = false;
    int32_t endAfter = 0; // with advances: the job ends when this many sheets are done
};

class FakePrintManager {
public:
    Hang hang; // outside the lock: a held call must not block the test's scripting
    std::mutex lock;
    std::vector<FakeJob> jobs; // in queue order
    bool failOpen = false;
    bool failOpenQueue = false;
    std::set<int32_t> failingKinds;
    // Overrides of the document probe's answer.
    bool documentNeededSet = false;
    int32_t documentNeeded = 0;
    bool documentUnterminated = false;

    int opens = 0;
    int closes = 0;
    int openQueues = 0;
    int refreshes = 0;                                 // reads of kind 102
    int reads = 0;                                     // every GetJobValue
    std::vector<std::pair<int32_t, int32_t>> commands; // (job, value) sent with kind 201
    int watchBegins = 0;
    int watchEnds = 0;

    int32_t Add(FakeJob job) {
        std::lock_guard<std::mutex> hold(lock);
        job.number = nextNumber++;
        jobs.push_back(job);
        return job.number;
    }
    template <typename Change> void With(Change&& change) {
        std::lock_guard<std::mutex> hold(lock);
        change(*this);
    }
    FakeJob* Find(int32_t number) {
        auto found = std::find_if(jobs.begin(), jobs.end(),
                                  [&](const FakeJob& job) { return job.number == number; });
        return found == jobs.end() ? nullptr : &*found;
    }
    FakeJob* Current() {
        auto found =
            std::find_if(jobs.begin(), jobs.end(), [](const FakeJob& job) { return job.active; });
        return found == jobs.end() ? nullptr : &*found;
    }

private:
    int32_t nextNumber = 1;
};

class FakeClient : public PrintManagerClient {
public:
    explicit FakeClient(std::shared_ptr<FakePrintManager> pm) : pm_(std::move(pm)) {}

    uintptr_t Open(const char*, const char*, int32_t) override {
        pm_->hang.At("Open");
        std::lock_guard<std::mutex> hold(pm_->lock);
        ++pm_->opens;
        return pm_->failOpen ? 0 : 1;
    }
    int32_t Close() override {
        pm_->hang.At("Close");
        std::lock_guard<std::mutex> hold(pm_->lock);
        ++pm_->closes;
        return 1;
    }
    int32_t OpenQueue(const char*, const char*, int32_t, const void*) override {
        pm_->hang.At("OpenQueue");
        std::lock_guard<std::mutex> hold(pm_->lock);
        ++pm_->openQueues;
        return pm_->failOpenQueue ? 0 : 77;
    }
    int32_t CloseQueue(int32_t) override {
        pm_->hang.At("CloseQueue");
        return 1;
    }
    int32_t HasJob(int32_t) override {
        pm_->hang.At("HasJob");
        std::lock_guard<std::mutex> hold(pm_->lock);
        return pm_->Current() ? 1 : 0;
    }
    int32_t GetCurrentJob(int32_t) override {
        pm_->hang.At("GetCurrentJob");
        std::lock_guard<std::mutex> hold(pm_->lock);
        FakeJob* job = pm_->Current();
        return job ? job->number : 0;
    }
    int32_t IsJobActive(int32_t, int32_t number) override {
        pm_->hang.At("IsJobActive");
        std::lock_guard<std::mutex> hold(pm_->lock);
        FakeJob* job = pm_->Find(number);
        return job && job->active ? 1 : 0;
    }
    int32_t SetJobValue(int32_t, int32_t number, int32_t kind, const void* value) override {
        pm_->hang.At("SetJobValue");
        std::lock_guard<std::mutex> hold(pm_->lock);
        if (kind != PmKind::Command || !pm_->Find(number))
            return 0;
        int32_t command;
        std::memcpy(&command, value, 4);
        pm_->commands.emplace_back(number, command);
        return 1;
    }
    int32_t GetJobValue(int32_t, int32_t number, int32_t kind, void* buffer, int32_t size,
                        int32_t* needed) override {
        pm_->hang.At("GetJobValue");
        std::lock_guard<std::mutex> hold(pm_->lock);
        ++pm_->reads;
        FakeJob* job = pm_->Find(number);
        if (!job || pm_->failingKinds.count(kind))
            return 0;
        switch (kind) {
        case PmKind::Document: {
            int32_t length = static_cast<int32_t>(job->document.size()) + 1;
            if (pm_->documentNeededSet)
                length = pm_->documentNeeded;
            *needed = length;
            if (!buffer || size < length || size <= 0)
                return 0;
            if (pm_->documentUnterminated) {
                std::memset(buffer, 'U', static_cast<size_t>(size));
            } else {
                std::memset(buffer, 0, static_cast<size_t>(size));
                std::memcpy(buffer, job->document.data(),
                            std::min<size_t>(job->document.size(), static_cast<size_t>(size)));
            }
            return 1;
        }
        case PmKind::SpoolerJobId:
            return Answer(&job->spoolerId, 4, buffer, size, needed);
        case PmKind::Media:
            return Answer(job->media, 6, buffer, size, needed);
        case PmKind::State: {
            int32_t state = job->state;
            if (job->advances) {
                ++job->sheets[0];
                job->progress[0] = job->sheets[0] * 100;
                job->timeLeft = 100000 - job->sheets[0];
                if (job->endAfter && job->sheets[0] >= job->endAfter)
                    job->active = false;
            }
            return Answer(&state, 4, buffer, size, needed);
        }
        case PmKind::Sheets:
            ++pm_->refreshes;
            return Answer(job->sheets, 8, buffer, size, needed);
        case PmKind::Progress:
            return Answer(job->progress, 8, buffer, size, needed);
        case PmKind::TimeLeft:
            return Answer(&job->timeLeft, 4, buffer, size, needed);
        default:
            return 0;
        }
    }
    int32_t BeginJobWatch(int32_t, int32_t) override {
        pm_->hang.At("BeginJobWatch");
        std::lock_guard<std::mutex> hold(pm_->lock);
        ++pm_->watchBegins;
        return 1;
    }
    int32_t EndJobWatch(int32_t, int32_t) override {
        pm_->hang.At("EndJobWatch");
        std::lock_guard<std::mutex> hold(pm_->lock);
        ++pm_->watchEnds;
        return 1;
    }

private:
    static int32_t Answer(const void* value, int32_t length, void* buffer, int32_t size,
                          int32_t* needed) {
        *needed = length;
        if (!buffer || size < length)
            return 0;
        std::memcpy(buffer, value, static_cast<size_t>(length));
        return 1;
    }
    std::shared_ptr<FakePrintManager> pm_;
};

// Knows the ids it was told about; records the ids asked about in each look.
class FakeSpooler : public SpoolerJobs {
public:
    std::mutex lock;
    std::set<int32_t> known;
    bool openFails = false;
    int opens = 0;
    std::vector<std::vector<int32_t>> asked; // per look, in order

    Hang hang;

    std::unique_ptr<SpoolerView> Open(const std::string&) override {
        hang.At("Open");
        std::lock_guard<std::mutex> hold(lock);
        ++opens;
        if (openFails)
            return nullptr;
        asked.emplace_back();
        return std::make_unique<View>(*this, known);
    }
    void Forget(std::initializer_list<int32_t> ids) {
        std::lock_guard<std::mutex> hold(lock);
        for (int32_t id : ids)
            known.erase(id);
    }
    void ForgetAll() {
        std::lock_guard<std::mutex> hold(lock);
        known.clear();
    }
    std::vector<std::vector<int32_t>> Asked() {
        std::lock_guard<std::mutex> hold(lock);
        return asked;
    }
    int Opens() {
        std::lock_guard<std::mutex> hold(lock);
        return opens;
    }
    void Learn(int32_t id) {
        std::lock_guard<std::mutex> hold(lock);
        known.insert(id);
    }

private:
    struct View : SpoolerView {
        View(FakeSpooler& owner, std::set<int32_t> ids) : owner(owner), ids(std::move(ids)) {}
        bool Knows(int32_t id) override {
            std::lock_guard<std::mutex> hold(owner.lock);
            owner.asked.back().push_back(id);
            return ids.count(id) != 0;
        }
        FakeSpooler& owner;
        std::set<int32_t> ids;
    };
};

// Polls until done() holds or the time is up.
inline bool WaitFor(const std::function<bool()>& done, int milliseconds = 5000) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}
