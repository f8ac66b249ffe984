#include "emulator/device/StatusModel.h"

namespace emu {

bool StatusModel::Set(Condition condition, bool on) {
    const std::uint8_t bit = ConditionBit(condition);
    const std::uint8_t before = m_bits;
    m_bits = on ? (m_bits | bit) : (m_bits & ~bit);
    return m_bits != before && (m_autoMask & bit) != 0;
}

StatusModel::SleepResult StatusModel::EnterSleep(Clock::time_point now) {
    if (m_asleep) return SleepResult::AlreadyAsleep;
    m_asleep = true;
    m_asleepSince = now;
    return SleepResult::Accepted;
}

StatusModel::SleepResult StatusModel::LeaveSleep(Clock::time_point now) {
    if (!m_asleep) return SleepResult::NotAsleep;
    if (now - m_asleepSince < kMinimumSleep) return SleepResult::TooSoon;
    m_asleep = false;
    return SleepResult::Accepted;
}

}  // namespace emu
