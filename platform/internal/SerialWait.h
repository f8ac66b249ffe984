// Internal to platform/: one blocking wait on a serial port, for as long as a call runs.
#pragma once

#include <cstdint>

#include "platform/internal/Deadline.h"
#include "platform/internal/SerialHandle.h"

namespace platform::detail {

// Watches the device (for the given EPOLL* events; hang-ups and errors always), the handle's
// eventfd and the calling thread's wake descriptor. A thread marked for termination ends inside
// Wait, before it blocks or when it wakes.
class SerialWait {
  public:
    struct Woken {
        std::uint32_t device = 0;  // EPOLL* bits the device reported
        bool handle = false;       // the handle's eventfd was written: re-examine
    };

    SerialWait(const SerialHandle& handle, std::uint32_t deviceEvents);
    ~SerialWait();
    SerialWait(const SerialWait&) = delete;
    SerialWait& operator=(const SerialWait&) = delete;

    // errno when the wait set could not be made, else 0.
    int Error() const { return m_error; }

    // Changes the device events watched.
    bool WatchDevice(std::uint32_t events);

    // Blocks until something happens or the deadline passes (then both Woken fields are empty).
    // False, with errno, when the wait itself failed.
    bool Wait(const Deadline& deadline, Woken& woken);

  private:
    int m_epoll = -1;
    int m_deviceFd = -1;
    int m_error = 0;
};

}  // namespace platform::detail
