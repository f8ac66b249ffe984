// A port in the printer channel's mode (one event thread) that notes when its receive hook last
// ran, for the benchmarks that time bytes on their way in.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

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
        m_arrived.store(now);
        return 0;
    }
    std::atomic<Clock::rep> m_arrived{0};
};
