// Internal to platform/: what serial handles and writes do for AbandonWrites.
#pragma once

#include <cstdint>

namespace platform::detail {

class SerialHandle;

// Every handle is enrolled while it lives, so that AbandonWrites reaches its writes.
void EnrolForAbandon(SerialHandle* handle);
void WithdrawFromAbandon(SerialHandle* handle);
// A write ended by the abandon, or refused after it, with this many bytes not sent.
void CountUnsent(std::uint64_t bytes);

}  // namespace platform::detail
