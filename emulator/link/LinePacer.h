// How many bytes a serial line has delivered to the printer by now, so a link reads no faster
// than the line would carry them. The line earns time only while bytes wait on it: time spent
// idle (nothing sent) or stalled (the printer's buffer full, the host held back) is not credit,
// while time the printer spends rendering is, since the line keeps delivering meanwhile.
#pragma once

#include <chrono>
#include <cstddef>

namespace emu {

class LinePacer {
  public:
    using Clock = std::chrono::steady_clock;

    // Bytes a second the line carries (baud / 10 for 8N1); 0 stops pacing.
    void SetRate(double bytesPerSecond, Clock::time_point now);
    bool Paced() const { return m_rate > 0; }

    // Bytes that may be read now, at most pending (what waits on the line). stalled: the printer
    // takes nothing now.
    std::size_t Available(Clock::time_point now, std::size_t pending, bool stalled);
    void Took(std::size_t bytes);
    // Milliseconds until the next byte is due, at least 1.
    int MillisecondsToNextByte() const;

  private:
    double m_rate = 0;
    double m_credit = 0;  // bytes
    bool m_idle = true;   // nothing waited on the line at the last look
    Clock::time_point m_last;
};

}  // namespace emu
