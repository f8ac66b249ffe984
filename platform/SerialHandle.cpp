#include "platform/internal/SerialHandle.h"

#include <linux/serial.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/internal/LastError.h"
#include "platform/internal/SerialLock.h"

namespace platform::detail {

namespace {

// How long closing waits for queued output to leave before discarding it, so that a port held
// by flow control cannot stall CloseHandle (the kernel's own close would wait up to 30 s).
constexpr auto kCloseDrainLimit = std::chrono::milliseconds(500);
constexpr auto kCloseDrainStep = std::chrono::milliseconds(10);

bool DeviceGone(int err) { return err == EIO || err == ENXIO || err == ENODEV || err == EPIPE; }

}  // namespace

SerialHandle::SerialHandle(int fd, int wakeFd, std::string path, Capabilities caps,
                           const DCB& initial, std::string lockFile)
    : m_fd(fd),
      m_wakeFd(wakeFd),
      m_path(std::move(path)),
      m_lockFile(std::move(lockFile)),
      m_caps(caps) {
    m_state.dcb = initial;
    ReadCounters(m_state.errorBase);
    m_state.eventBase = m_state.errorBase;
}

SerialHandle::~SerialHandle() {
    if (!m_lost.load()) {
        auto until = std::chrono::steady_clock::now() + kCloseDrainLimit;
        int queued = 0;
        while (ioctl(m_fd, TIOCOUTQ, &queued) == 0 && queued > 0 &&
               std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(kCloseDrainStep);
        }
        DiscardOutput();
    }
    close(m_fd);
    close(m_wakeFd);
    ReleaseSerialLock(m_lockFile);
}

void SerialHandle::OnClose() {
    m_closed.store(true);
    Wake();
}

void SerialHandle::Wake() {
    std::uint64_t one = 1;
    // Can only fail when the counter is near 2^64, long after any wait would have noticed.
    [[maybe_unused]] ssize_t written = write(m_wakeFd, &one, sizeof one);
}

void SerialHandle::SetMask(DWORD mask) {
    LineCounters counters;
    bool haveCounters = ReadCounters(counters);
    int lines = 0;
    bool haveLines = m_caps.modemLines && ioctl(m_fd, TIOCMGET, &lines) == 0;
    WithState([&](State& s) {
        s.mask = mask;
        if (haveCounters) s.eventBase = counters;
        if (haveLines) s.modemBase = lines;
    });
    m_maskGeneration.fetch_add(1);
    Wake();
}

void SerialHandle::AbortReads() {
    m_readAborts.fetch_add(1);
    Wake();
}

void SerialHandle::AbortWrites() {
    m_writeAborts.fetch_add(1);
    Wake();
}

bool SerialHandle::Usable() const {
    if (m_closed.load()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    if (m_lost.load()) {
        SetLastErrorFromErrno(ERROR_DEVICE_NOT_CONNECTED, ENODEV, m_path);
        return false;
    }
    return true;
}

BOOL SerialHandle::Fail(int err) {
    DWORD code = ERROR_GEN_FAILURE;
    if (DeviceGone(err)) {
        return FailLost();
    } else if (err == EINVAL) {
        code = ERROR_INVALID_PARAMETER;
    } else if (err == EACCES || err == EPERM) {
        code = ERROR_ACCESS_DENIED;
    }
    SetLastErrorFromErrno(code, err, m_path);
    return FALSE;
}

BOOL SerialHandle::FailLost() {
    if (!m_lost.exchange(true)) Wake();
    SetLastErrorFromErrno(ERROR_DEVICE_NOT_CONNECTED, ENODEV, m_path);
    return FALSE;
}

BOOL SerialHandle::FailAborted() {
    SetLastError(ERROR_OPERATION_ABORTED);
    return FALSE;
}

int SerialHandle::DiscardOutput() const {
    int queued = 0;
    if (ioctl(m_fd, TIOCOUTQ, &queued) != 0) return errno;
    if (queued > 0 && tcflush(m_fd, TCOFLUSH) != 0) return errno;
    return 0;
}

std::shared_ptr<SerialHandle> UsablePort(HANDLE hFile, bool argumentsValid) {
    auto port = HandleAs<SerialHandle>(hFile);
    if (!port) return nullptr;
    if (!argumentsValid) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return port->Usable() ? port : nullptr;
}

bool SerialHandle::ReadCounters(LineCounters& out) const {
    if (!m_caps.lineCounters) return false;
    serial_icounter_struct icount{};
    if (ioctl(m_fd, TIOCGICOUNT, &icount) != 0) return false;
    out.frame = static_cast<std::uint32_t>(icount.frame);
    out.overrun = static_cast<std::uint32_t>(icount.overrun);
    out.parity = static_cast<std::uint32_t>(icount.parity);
    out.brk = static_cast<std::uint32_t>(icount.brk);
    out.bufOverrun = static_cast<std::uint32_t>(icount.buf_overrun);
    return true;
}

}  // namespace platform::detail
