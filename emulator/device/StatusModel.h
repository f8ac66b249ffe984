// The printer's own state as the host sees it: the conditions, which of them the module reports
// automatically, and sleep.
//
// Sleep: entering is accepted when awake; leaving is accepted when asleep for at least 500 ms.
// Anything else is refused and changes nothing: entering while asleep (the 500 ms keep counting
// from the first entry), leaving while awake, and leaving too soon (the printer stays asleep).
#pragma once

#include <chrono>
#include <cstdint>

#include "emulator/device/Condition.h"

namespace emu {

class StatusModel {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kMinimumSleep{500};

    enum class SleepResult { Accepted, AlreadyAsleep, NotAsleep, TooSoon };

    // True when the condition changed and automatic reports cover it: a status byte is due.
    bool Set(Condition condition, bool on);
    bool Get(Condition condition) const { return (m_on & Mask(condition)) != 0; }
    ConditionSet Conditions() const { return m_on; }
    std::uint8_t StatusByte() const { return StatusByteOf(m_on); }

    // GS a n: only the condition bits count; bit 4 is never a condition.
    void SetAutoStatus(std::uint8_t n) { m_autoMask = n & kConditionBits; }
    std::uint8_t AutoStatusMask() const { return m_autoMask; }

    SleepResult EnterSleep(Clock::time_point now);
    SleepResult LeaveSleep(Clock::time_point now);
    bool Asleep() const { return m_asleep; }

  private:
    ConditionSet m_on = 0;
    std::uint8_t m_autoMask = 0;
    bool m_asleep = false;
    Clock::time_point m_asleepSince{};
};

}  // namespace emu
