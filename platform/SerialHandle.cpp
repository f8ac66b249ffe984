#include "platform/internal/SerialHandle.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/internal/LastError.h"
#include "platform/internal/WriteAbandon.h"

namespace platform::detail {

namespace {

// How long closing waits for queued output to leave before discarding it, so that a port held
// by flow control cannot stall CloseHandle (the kernel's own close would wait up to 30 s).
constexpr auto kCloseDrainLimit = std::chrono::milliseconds(500);
constexpr auto kCloseDrainStep = std::chrono::milliseconds(10);

bool DeviceGone(int err) { return err == EIO || err == ENXIO || err == ENODEV || err == EPIPE; }

}  // namespace

SerialHandle::SerialHandle(std::unique_ptr<SerialDevice> device, int wakeFd, std::string path,
                           const DCB& initial)
    : m_device(std::move(device)), m_wakeFd(wakeFd), m_path(std::move(path)) {
    m_state.dcb = initial;
    m_device->ReadCounters(m_state.errorBase);
    m_state.eventBase = m_state.errorBase;
    m_device->SetWake([this] { Wake(); });
    EnrolForAbandon(this);
}

SerialHandle::~SerialHandle() {
    WithdrawFromAbandon(this);
    if (!m_lost.load()) {
        auto until = std::chrono::steady_clock::now() + kCloseDrainLimit;
        int queued = 0;
        while (m_device->OutputQueued(queued) == 0 && queued > 0 &&
               std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(kCloseDrainStep);
        }
        m_device->DiscardOutput();
    }
    // The wake descriptor closes before the device does, which must not write it any more.
    m_device->SetWake(nullptr);
    close(m_wakeFd);
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
    // The baselines come first: a server that reports lines as soon as it is asked to may answer
    // before this returns, and what it reports then is an event of the new mask.
    LineCounters counters;
    m_device->TakeIn();
    bool haveCounters = m_device->ReadCounters(counters);
    DWORD lines = 0;
    bool haveLines = m_device->Caps().modemLines && m_device->ModemStatus(lines) == 0;
    m_device->WatchEvents(mask);
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

std::shared_ptr<SerialHandle> UsablePort(HANDLE hFile, bool argumentsValid) {
    auto port = HandleAs<SerialHandle>(hFile);
    if (!port) return nullptr;
    if (!argumentsValid) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return port->Usable() ? port : nullptr;
}

}  // namespace platform::detail
