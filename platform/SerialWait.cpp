#include "platform/internal/SerialWait.h"

#include <sys/epoll.h>
#include <unistd.h>

#include <cerrno>

#include "platform/internal/ThreadWake.h"

namespace platform::detail {

namespace {

enum Source : std::uint64_t { kDevice = 1, kHandle = 2, kThread = 3 };

}  // namespace

SerialWait::SerialWait(const SerialHandle& handle, std::uint32_t deviceEvents)
    : m_deviceFd(handle.Device().Fd()) {
    m_epoll = epoll_create1(EPOLL_CLOEXEC);
    if (m_epoll < 0) {
        m_error = errno;
        return;
    }
    epoll_event device{};
    device.events = deviceEvents;
    device.data.u64 = kDevice;
    epoll_event wake{};
    // Edge-triggered: each write of the eventfd is reported once to each wait, undrained.
    wake.events = EPOLLIN | EPOLLET;
    wake.data.u64 = kHandle;
    epoll_event thread{};
    thread.events = EPOLLIN;
    thread.data.u64 = kThread;
    int threadFd = CurrentThreadWakeFd();
    if (epoll_ctl(m_epoll, EPOLL_CTL_ADD, m_deviceFd, &device) != 0 ||
        epoll_ctl(m_epoll, EPOLL_CTL_ADD, handle.WakeFd(), &wake) != 0 ||
        (threadFd >= 0 && epoll_ctl(m_epoll, EPOLL_CTL_ADD, threadFd, &thread) != 0)) {
        m_error = errno;
    }
}

SerialWait::~SerialWait() {
    if (m_epoll >= 0) close(m_epoll);
}

bool SerialWait::WatchDevice(std::uint32_t events) {
    epoll_event device{};
    device.events = events;
    device.data.u64 = kDevice;
    return epoll_ctl(m_epoll, EPOLL_CTL_MOD, m_deviceFd, &device) == 0;
}

bool SerialWait::Wait(const Deadline& deadline, Woken& woken) {
    woken = Woken{};
    EndThreadIfTerminated();
    epoll_event events[3];
    int n = epoll_wait(m_epoll, events, 3, PollTimeoutMs(deadline));
    EndThreadIfTerminated();
    if (n < 0) return errno == EINTR;
    for (int i = 0; i < n; ++i) {
        if (events[i].data.u64 == kDevice) woken.device = events[i].events;
        if (events[i].data.u64 == kHandle) woken.handle = true;
    }
    return true;
}

}  // namespace platform::detail
