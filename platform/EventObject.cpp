#include "platform/internal/EventObject.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "platform/internal/LastError.h"

namespace platform::detail {

EventObject::EventObject(bool manualReset, bool initialState) : m_manualReset(manualReset) {
    m_fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_fd < 0) {
        SetLastErrorFromErrno(ERROR_NOT_ENOUGH_MEMORY, errno, "CreateEventW: eventfd");
        return;
    }
    if (initialState) Set();
}

EventObject::~EventObject() {
    if (m_fd >= 0) close(m_fd);
}

void EventObject::Set() {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_signalled) return;
    const std::uint64_t one = 1;
    // Cannot fail: the counter only ever holds 0 or 1.
    [[maybe_unused]] ssize_t written = write(m_fd, &one, sizeof one);
    m_signalled = true;
}

void EventObject::Reset() {
    std::lock_guard<std::mutex> guard(m_lock);
    ClearLocked();
}

bool EventObject::TryAcquire() {
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_signalled) return false;
    if (!m_manualReset) ClearLocked();
    return true;
}

void EventObject::ClearLocked() {
    if (!m_signalled) return;
    std::uint64_t count;
    [[maybe_unused]] ssize_t got = read(m_fd, &count, sizeof count);
    m_signalled = false;
}

}  // namespace platform::detail

HANDLE CreateEventW(LPVOID /*lpEventAttributes*/, BOOL bManualReset, BOOL bInitialState,
                    LPCWSTR lpName) {
    using namespace platform::detail;
    // Named events are shared between processes on the original platform; nothing here can
    // honour that, and handing out a private event instead would fail silently.
    if (lpName != nullptr) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    auto event = std::make_shared<EventObject>(bManualReset != FALSE, bInitialState != FALSE);
    if (!event->Valid()) return nullptr;
    return RegisterHandle(std::move(event));
}

BOOL SetEvent(HANDLE hEvent) {
    auto event = platform::detail::HandleAs<platform::detail::EventObject>(hEvent);
    if (!event) return FALSE;
    event->Set();
    return TRUE;
}

BOOL ResetEvent(HANDLE hEvent) {
    auto event = platform::detail::HandleAs<platform::detail::EventObject>(hEvent);
    if (!event) return FALSE;
    event->Reset();
    return TRUE;
}
