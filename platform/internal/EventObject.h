// Internal to platform/: a manual- or auto-reset event behind CreateEventW.
#pragma once

#include <mutex>

#include "platform/internal/Waitable.h"

namespace platform::detail {

class EventObject final : public Waitable {
  public:
    EventObject(bool manualReset, bool initialState);
    ~EventObject() override;
    EventObject(const EventObject&) = delete;
    EventObject& operator=(const EventObject&) = delete;

    // False when the descriptor could not be made (last error set).
    bool Valid() const { return m_fd >= 0; }

    void Set();
    void Reset();

    int SignalFd() const override { return m_fd; }
    // A manual-reset event stays signalled; an auto-reset event releases exactly one waiter.
    bool TryAcquire() override;

  private:
    void ClearLocked();

    const bool m_manualReset;
    // Readable exactly while m_signalled; both change together under m_lock.
    int m_fd = -1;
    std::mutex m_lock;
    bool m_signalled = false;
};

}  // namespace platform::detail
