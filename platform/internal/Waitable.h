// Internal to platform/: a kernel object WaitForSingleObject can wait on (threads and events).
#pragma once

#include "platform/internal/KernelObject.h"

namespace platform::detail {

class Waitable : public KernelObject {
  public:
    // Descriptor that is readable while the object may be signalled. A waiter polls it and then
    // calls TryAcquire, which decides: readiness alone is only a hint, since another waiter may
    // take an auto-reset event first.
    virtual int SignalFd() const = 0;
    // True when the object is signalled; takes the signal where the object resets on a wait.
    virtual bool TryAcquire() = 0;
};

}  // namespace platform::detail
