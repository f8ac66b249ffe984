// Internal to platform/: what a serial-port HANDLE stands for: a device (SerialDevice.h) and
// the bookkeeping every kind of port shares.
//
// Waits on the port (transfers, WaitCommEvent, FlushFileBuffers) watch the device, the thread's
// wake descriptor and the handle's eventfd. Wake() writes the eventfd whenever something a wait
// must re-examine has changed: the event mask, a purge abort, a write (for EV_TXEMPTY), closing,
// and whatever the device learned on its own.
// Each wait registers the eventfd edge-triggered, so every Wake() reaches every wait exactly
// once and no wait has to drain the eventfd (which would steal the wake from the others).
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "platform/internal/KernelObject.h"
#include "platform/internal/SerialDevice.h"
#include "platform/win32.h"

namespace platform::detail {

class SerialHandle final : public KernelObject {
  public:
    // Settings and event bookkeeping, guarded by the handle's lock (see WithState).
    struct State {
        DCB dcb{};  // what GetCommState reports while the device keeps these settings
        COMMTIMEOUTS timeouts{};
        DWORD mask = 0;
        DWORD inQueue = 0;
        DWORD outQueue = 0;
        LineCounters errorBase;  // counters at the last ClearCommError
        LineCounters eventBase;  // counters at the last WaitCommEvent report or SetCommMask
        DWORD modemBase = 0;     // MS_* lines at the last report or SetCommMask
        bool txPending = false;  // written since EV_TXEMPTY was last reported
    };

    // Takes ownership of the device and of the wake descriptor; path names the port in errors and
    // in the wire trace.
    SerialHandle(std::unique_ptr<SerialDevice> device, int wakeFd, std::string path,
                 const DCB& initial);
    ~SerialHandle() override;
    SerialHandle(const SerialHandle&) = delete;
    SerialHandle& operator=(const SerialHandle&) = delete;

    void OnClose() override;

    SerialDevice& Device() const { return *m_device; }
    int WakeFd() const { return m_wakeFd; }
    const std::string& Path() const { return m_path; }

    template <class F>
    auto WithState(F&& f) {
        std::lock_guard<std::mutex> guard(m_lock);
        return f(m_state);
    }

    void Wake();

    // Counters that wake transfers and event waits when they change.
    std::uint64_t MaskGeneration() const { return m_maskGeneration.load(); }
    std::uint64_t ReadAborts() const { return m_readAborts.load(); }
    std::uint64_t WriteAborts() const { return m_writeAborts.load(); }
    void SetMask(DWORD mask);
    void AbortReads();
    void AbortWrites();

    bool Closed() const { return m_closed.load(); }
    // False, with the last error set, when the handle was closed or its device has gone.
    bool Usable() const;
    // Fails a call on errno from the device: a vanished device (EIO, ENXIO, ENODEV, EPIPE) marks
    // the handle lost for good, so every later call fails at once. Sets the last error with
    // "<path>: <errno text>" and returns FALSE.
    BOOL Fail(int err);
    // Fails a call for a device that hung up (read() returned 0 or poll reported POLLHUP).
    BOOL FailLost();
    // Fails a wait that PurgeComm aborted or CloseHandle ended.
    static BOOL FailAborted();

  private:
    const std::unique_ptr<SerialDevice> m_device;
    const int m_wakeFd;
    const std::string m_path;
    std::mutex m_lock;
    State m_state;
    std::atomic<std::uint64_t> m_maskGeneration{0};
    std::atomic<std::uint64_t> m_readAborts{0};
    std::atomic<std::uint64_t> m_writeAborts{0};
    std::atomic<bool> m_closed{false};
    std::atomic<bool> m_lost{false};
};

// The serial port behind hFile, ready for a call; null with the last error set when it is not:
// ERROR_INVALID_HANDLE for no port, ERROR_INVALID_PARAMETER when the call's arguments are not
// valid, and the handle's own error when it was closed or its device has gone, in that order.
std::shared_ptr<SerialHandle> UsablePort(HANDLE hFile, bool argumentsValid = true);

// The handle for a device just opened (INVALID_HANDLE_VALUE when opened holds none, the last
// error kept); path names it in errors and in the wire trace.
HANDLE OpenSerialHandle(OpenedDevice opened, const std::string& path);

}  // namespace platform::detail
