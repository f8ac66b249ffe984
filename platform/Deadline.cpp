#include "platform/Deadline.h"

#include <climits>

namespace platform::detail {

Deadline::Deadline(DWORD milliseconds)
    : m_infinite(milliseconds == INFINITE),
      m_end(std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds)) {}

int Deadline::RemainingPollMs() const {
    if (m_infinite) return -1;
    auto left = m_end - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero()) return 0;
    auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return ms > INT_MAX ? INT_MAX : static_cast<int>(ms);
}

}  // namespace platform::detail
