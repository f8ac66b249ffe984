// Internal to platform/: what COMMTIMEOUTS mean for one transfer of n bytes.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/win32.h"

namespace platform::detail {

struct ReadPlan {
    // Take what is waiting and never wait (interval MAXDWORD, both totals 0).
    bool returnAtOnce = false;
    // Return as soon as any byte is there (interval and multiplier MAXDWORD, a constant between
    // 1 and MAXDWORD-1, which then bounds the wait for the first byte).
    bool returnOnFirstBytes = false;
    // Limit for the whole read from its start; none when both totals are 0.
    std::optional<std::uint64_t> totalMs;
    // Longest silence between two arrivals; none when the interval is 0. The interval timer
    // starts with the first byte, so a read that has received nothing waits for the total
    // limit alone (without one, for the first byte as long as it takes).
    std::optional<std::uint64_t> intervalMs;
};

ReadPlan PlanRead(const COMMTIMEOUTS& timeouts, DWORD count);

// Limit for writing n bytes (multiplier x n + constant); none when both are 0.
std::optional<std::uint64_t> WriteLimitMs(const COMMTIMEOUTS& timeouts, DWORD count);

}  // namespace platform::detail
