#include "emulator/link/LinePacer.h"

#include <algorithm>
#include <cmath>

namespace emu {

namespace {
// A transmission that starts on an idle line delivers its first bytes at once (1 ms of line).
constexpr double kIdleCreditSeconds = 0.001;
// Rendering longer than this is not made up for: a real printer's line would be held back.
constexpr double kBusyCreditSeconds = 0.25;
}  // namespace

void LinePacer::SetRate(double bytesPerSecond, Clock::time_point now) {
    if (bytesPerSecond == m_rate) return;
    m_rate = bytesPerSecond;
    m_credit = 0;
    m_last = now;
}

std::size_t LinePacer::Available(Clock::time_point now, std::size_t pending, bool stalled) {
    if (m_rate <= 0) return pending;
    const double elapsed = std::chrono::duration<double>(now - m_last).count();
    m_last = now;
    const double idleLimit = std::max(1.0, m_rate * kIdleCreditSeconds);
    const double limit = m_idle ? idleLimit : std::max(1.0, m_rate * kBusyCreditSeconds);
    m_credit = std::min(m_credit + elapsed * m_rate, limit);
    m_idle = pending == 0 || stalled;
    if (m_idle) m_credit = std::min(m_credit, idleLimit);
    if (stalled) return 0;
    return std::min(pending, static_cast<std::size_t>(std::max(0.0, std::floor(m_credit))));
}

void LinePacer::Took(std::size_t bytes) { m_credit -= static_cast<double>(bytes); }

int LinePacer::MillisecondsToNextByte() const {
    if (m_rate <= 0 || m_credit >= 1) return 1;
    return std::max(1, static_cast<int>(std::ceil((1.0 - m_credit) / m_rate * 1000)));
}

}  // namespace emu
