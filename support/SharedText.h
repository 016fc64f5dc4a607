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
        std::lock_guard<std::mutex> hold(m_Lock);
        m_Text = text;
        return *this;
    }
    std::string Get() const {
        std::lock_guard<std::mutex> hold(m_Lock);
        return m_Text;
    }
    operator std::string() const { return Get(); }
    // Sets text when none is there yet; true when this call set it.
    bool SetIfEmpty(const std::string& text) {
        std::lock_guard<std::mutex> hold(m_Lock);
        if (!m_Text.empty())
            return false;
        m_Text = text;
        return true;
    }
    void clear() {
        std::lock_guard<std::mutex> hold(m_Lock);
        m_Text.clear();
    }
    bool empty() const {
        std::lock_guard<std::mutex> hold(m_Lock);
        return m_Text.empty();
    }

private:
    mutable std::mutex m_Lock;
    std::string m_Text;
};
