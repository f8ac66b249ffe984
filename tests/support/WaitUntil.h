// Polling for a condition that another thread makes true, for tests that cannot be told when.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace testsupport {

// Checks the condition every few milliseconds until it holds or the time is up; returns its last
// value, so a condition that turns true at the deadline still counts.
inline bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 5000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

}  // namespace testsupport
