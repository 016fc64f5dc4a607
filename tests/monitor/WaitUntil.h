#pragma once
// Waiting for a condition rather than for a time. Other builds may load the
// machine, so the bound is generous; a condition met early ends the wait at once.
#include <windows.h>

#include <chrono>
#include <functional>
#include <thread>

constexpr int kScenarioWaitMs = 30000;

inline bool WaitUntil(const std::function<bool()>& condition, int ms = kScenarioWaitMs) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() >= until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}
