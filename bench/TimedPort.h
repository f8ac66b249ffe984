// A port in the printer channel's mode (one event thread) that notes when its receive hook last
// ran, for the benchmarks that time bytes on their way in.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "engine/CommPort.h"

class TimedPort : public CCommPort {
  public:
    using Clock = std::chrono::steady_clock;
    TimedPort() : CCommPort(COMM_MODE_EVENT_THREAD) {}
    ~TimedPort() override { Close(500); }
    int OnReceive() override {
        const auto now = Clock::now().time_since_epoch().count();
        std::uint8_t buffer[64];
        Read(buffer, sizeof buffer);
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_arrived = now;
        }
        m_changed.notify_one();
        return 0;
    }
    // When the hook last ran (steady clock ticks), 0 before it has.
    Clock::rep Arrived() {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_arrived;
    }
    // Sleeps until the hook has run after `before` or the deadline passes, and returns Arrived().
    // A sleep, not a poll: a timer waking every few microseconds would take the processors from
    // the way being timed, the more so the more processes are on it.
    Clock::rep ArrivedAfter(Clock::rep before, Clock::time_point deadline) {
        std::unique_lock<std::mutex> lock(m_lock);
        m_changed.wait_until(lock, deadline, [&] { return m_arrived != before; });
        return m_arrived;
    }

  private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    Clock::rep m_arrived = 0;
};
