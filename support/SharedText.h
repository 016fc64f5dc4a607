#pragma once
#include <mutex>
#include <string>

// A process-wide text that threads read and write under its own lock; readers
// get a copy, never a pointer into it.
class SharedText {
public:
    SharedText() = default;
    SharedText(const SharedText&) = delete;
    SharedText& operator=(const SharedText&) = delete;

    SharedText& operator=(const std::string& text) {
        std::lock_guard<std::mutex> hold(lock_);
        text_ = text;
        return *this;
    }
    std::string Get() const {
        std::lock_guard<std::mutex> hold(lock_);
        return text_;
    }
    operator std::string() const { return Get(); }
    // Sets text when none is there yet; true when this call set it.
    bool SetIfEmpty(const std::string& text) {
        std::lock_guard<std::mutex> hold(lock_);
        if (!text_.empty())
            return false;
        text_ = text;
        return true;
    }
    void clear() {
        std::lock_guard<std::mutex> hold(lock_);
        text_.clear();
    }
    bool empty() const {
        std::lock_guard<std::mutex> hold(lock_);
        return text_.empty();
    }

private:
    mutable std::mutex lock_;
    std::string text_;
};
