#include "platform/internal/TransferTimeouts.h"

namespace platform::detail {

namespace {

std::optional<std::uint64_t> TotalMs(DWORD multiplier, DWORD constant, DWORD count) {
    if (multiplier == 0 && constant == 0) return std::nullopt;
    // At most (2^32-1)^2 + 2^32-1, which fits 64 bits.
    return std::uint64_t{multiplier} * count + constant;
}

}  // namespace

ReadPlan PlanRead(const COMMTIMEOUTS& t, DWORD count) {
    ReadPlan plan;
    if (t.ReadIntervalTimeout == MAXDWORD) {
        if (t.ReadTotalTimeoutMultiplier == 0 && t.ReadTotalTimeoutConstant == 0) {
            plan.returnAtOnce = true;
            return plan;
        }
        if (t.ReadTotalTimeoutMultiplier == MAXDWORD && t.ReadTotalTimeoutConstant != 0 &&
            t.ReadTotalTimeoutConstant != MAXDWORD) {
            plan.returnOnFirstBytes = true;
            plan.totalMs = t.ReadTotalTimeoutConstant;
            return plan;
        }
    }
    plan.totalMs = TotalMs(t.ReadTotalTimeoutMultiplier, t.ReadTotalTimeoutConstant, count);
    if (t.ReadIntervalTimeout != 0) plan.intervalMs = t.ReadIntervalTimeout;
    return plan;
}

std::optional<std::uint64_t> WriteLimitMs(const COMMTIMEOUTS& t, DWORD count) {
    return TotalMs(t.WriteTotalTimeoutMultiplier, t.WriteTotalTimeoutConstant, count);
}

}  // namespace platform::detail
