// Internal to platform/: a millisecond time-out as a monotonic deadline, for poll() loops that
// restart after EINTR or spurious wakes without stretching the wait.
#pragma once

#include "platform/win32.h"

#include <chrono>

namespace platform::detail {

class Deadline {
public:
    // INFINITE never expires.
    explicit Deadline(DWORD milliseconds);
    // The poll() time-out for what is left: -1 for INFINITE, 0 once expired, otherwise the rest
    // rounded up so a wait never ends just short of the deadline.
    int RemainingPollMs() const;

private:
    bool m_infinite;
    std::chrono::steady_clock::time_point m_end;
};

}  // namespace platform::detail
