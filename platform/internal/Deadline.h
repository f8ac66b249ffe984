// Internal to platform/: time-outs as deadlines on the monotonic clock, for poll() and epoll loops
// that restart after EINTR or spurious wakes without stretching the wait.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

#include "platform/win32.h"

namespace platform::detail {

using Clock = std::chrono::steady_clock;  // CLOCK_MONOTONIC
// None: no limit.
using Deadline = std::optional<Clock::time_point>;

// The deadline ms from now; none for no limit or for one too far off to matter (decades).
Deadline DeadlineAfter(std::optional<std::uint64_t> ms, Clock::time_point from = Clock::now());
// The deadline of a wait given in milliseconds, where INFINITE means no limit.
Deadline WaitDeadline(DWORD milliseconds);
Deadline Earlier(const Deadline& a, const Deadline& b);
bool Passed(const Deadline& deadline);
// The poll() time-out for what is left: -1 for no limit, 0 once passed, otherwise the rest
// rounded up so a wait never ends just short of the deadline.
int PollTimeoutMs(const Deadline& deadline);

}  // namespace platform::detail
