#include "platform/internal/Deadline.h"

#include <climits>

namespace platform::detail {

namespace {

// Limits beyond this are as good as none, and keep time arithmetic far from overflow.
constexpr std::uint64_t kNoLimitBeyondMs = 1000ull * 60 * 60 * 24 * 365 * 30;

}  // namespace

Deadline DeadlineAfter(std::optional<std::uint64_t> ms, Clock::time_point from) {
    if (!ms || *ms > kNoLimitBeyondMs) return std::nullopt;
    return from + std::chrono::milliseconds(*ms);
}

Deadline WaitDeadline(DWORD milliseconds) {
    if (milliseconds == INFINITE) return std::nullopt;
    return DeadlineAfter(milliseconds);
}

Deadline Earlier(const Deadline& a, const Deadline& b) {
    if (!a) return b;
    if (!b) return a;
    return *a < *b ? a : b;
}

bool Passed(const Deadline& deadline) { return deadline && Clock::now() >= *deadline; }

int PollTimeoutMs(const Deadline& deadline) {
    if (!deadline) return -1;
    auto left = *deadline - Clock::now();
    if (left <= Clock::duration::zero()) return 0;
    auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return ms > INT_MAX ? INT_MAX : static_cast<int>(ms);
}

}  // namespace platform::detail
