#include "emulator/device/StatusModel.h"

namespace emu {

bool StatusModel::Set(Condition condition, bool on) {
    const ConditionSet before = m_on;
    m_on = static_cast<ConditionSet>(on ? (m_on | Mask(condition)) : (m_on & ~Mask(condition)));
    return m_on != before && (m_autoMask & ConditionBit(condition)) != 0;
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
