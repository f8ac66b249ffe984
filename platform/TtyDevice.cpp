// The terminal device: everything of a serial port that speaks termios or the tty ioctls.
#include "platform/internal/TtyDevice.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <utility>

#include "platform/internal/DcbTermios.h"
#include "platform/internal/LastError.h"
#include "platform/internal/LinePeer.h"
#include "platform/internal/SerialLock.h"

namespace platform::detail {

namespace {

// Pseudo-terminal slaves: Unix98 (majors 136..143) and the old BSD kind (major 3).
constexpr unsigned kPtySlaveFirstMajor = 136;
constexpr unsigned kPtySlaveLastMajor = 143;
constexpr unsigned kBsdPtySlaveMajor = 3;

// A line the device does not have, or a control its driver (or an emulator's) does not implement.
bool NoSuchLine(int err) { return err == ENOTTY || err == EINVAL || err == ENOSYS; }

class TtyDevice final : public SerialDevice {
  public:
    TtyDevice(int fd, std::string path, std::string lockFile, const DeviceTermios& found)
        : m_fd(fd), m_path(std::move(path)), m_lockFile(std::move(lockFile)), m_found(found) {
        int lines = 0;
        m_caps.modemLines = ioctl(fd, TIOCMGET, &lines) == 0;
        serial_icounter_struct icount{};
        m_caps.lineCounters = ioctl(fd, TIOCGICOUNT, &icount) == 0;
        struct stat info {};
        if (fstat(fd, &info) == 0 && S_ISCHR(info.st_mode)) {
            unsigned major = ::major(info.st_rdev);
            bool pty = (major >= kPtySlaveFirstMajor && major <= kPtySlaveLastMajor) ||
                       major == kBsdPtySlaveMajor;
            m_framingHeld = !pty;
        }
    }
    ~TtyDevice() override {
        // A terminal is given back as it was found (a shell's line not left raw).
        WriteDeviceTermios(m_fd, m_found);
        close(m_fd);
        ReleaseSerialLock(m_lockFile);
    }
    TtyDevice(const TtyDevice&) = delete;
    TtyDevice& operator=(const TtyDevice&) = delete;

    int Fd() const override { return m_fd; }
    Capabilities Caps() const override { return m_caps; }

    ssize_t Read(BYTE* buffer, std::size_t count) override { return read(m_fd, buffer, count); }
    ssize_t Write(const BYTE* data, std::size_t count) override {
        const ssize_t n = write(m_fd, data, count);
        if (n > 0) PeerWrote(m_path, static_cast<DWORD>(n));
        return n;
    }

    int InputWaiting(int& bytes) override { return ioctl(m_fd, FIONREAD, &bytes) == 0 ? 0 : errno; }
    // What the driver holds, and what an in-process far end has not taken yet (AttachLinePeer).
    int OutputQueued(int& bytes) override {
        if (ioctl(m_fd, TIOCOUTQ, &bytes) != 0) return errno;
        bytes = static_cast<int>(std::min<std::uint64_t>(
            static_cast<std::uint64_t>(bytes) + PeerOutstanding(m_path), INT_MAX));
        return 0;
    }
    int DiscardInput() override { return tcflush(m_fd, TCIFLUSH) == 0 ? 0 : errno; }
    // Nothing is discarded when the driver reports an empty queue: on a pseudo-terminal (always
    // empty) a flush would take back bytes the peer has already received.
    int DiscardOutput() override {
        int queued = 0;
        if (ioctl(m_fd, TIOCOUTQ, &queued) != 0) return errno;
        if (queued > 0 && tcflush(m_fd, TCOFLUSH) != 0) return errno;
        return 0;
    }
    // The queue is empty; the last character may still be in the shift register.
    int Drain() override { return tcdrain(m_fd) == 0 ? 0 : errno; }

    int GetState(const DCB& set, DCB& reported) override {
        DeviceTermios device;
        if (int err = ReadDeviceTermios(m_fd, device)) return err;
        DeviceTermios asked = device;
        if (DcbToTermios(set, asked) == ERROR_SUCCESS &&
            CompareTaken(asked, device, m_framingHeld) == ERROR_SUCCESS) {
            reported = set;
        } else {
            // Someone changed the device behind this handle: report what it holds now.
            reported = DcbFromTermios(device);
            KeepUnmappedFields(reported, set);
        }
        return 0;
    }

    int SetState(const DCB& dcb, DWORD& refused) override {
        DeviceTermios before;
        if (int err = ReadDeviceTermios(m_fd, before)) return err;
        DeviceTermios asked = before;
        if ((refused = DcbToTermios(dcb, asked)) != ERROR_SUCCESS) return 0;
        if (int err = WriteDeviceTermios(m_fd, asked)) return err;
        // tcsetattr succeeds when any part of the request took; only the read-back tells.
        DeviceTermios got;
        if (int err = ReadDeviceTermios(m_fd, got)) return err;
        if ((refused = CompareTaken(asked, got, m_framingHeld)) != ERROR_SUCCESS) {
            WriteDeviceTermios(m_fd, before);
            return 0;
        }
        if (int err = DriveLine(TIOCM_DTR, dcb.fDtrControl != DTR_CONTROL_DISABLE)) return err;
        // With RTS handshake the kernel drives RTS from here on; raising it starts the line ready.
        return DriveLine(TIOCM_RTS, dcb.fRtsControl != RTS_CONTROL_DISABLE);
    }

    int ModemStatus(DWORD& bits) override {
        bits = 0;
        int lines = 0;
        if (ioctl(m_fd, TIOCMGET, &lines) != 0) return errno;
        if (lines & TIOCM_CTS) bits |= MS_CTS_ON;
        if (lines & TIOCM_DSR) bits |= MS_DSR_ON;
        if (lines & TIOCM_RI) bits |= MS_RING_ON;
        if (lines & TIOCM_CD) bits |= MS_RLSD_ON;
        return 0;
    }

    bool ReadCounters(LineCounters& out) override {
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

    int ClearBreak() override {
        return ioctl(m_fd, TIOCCBRK) == 0 || NoSuchLine(errno) ? 0 : errno;
    }

  private:
    // Raises or lowers one modem line; a device without modem lines has nothing to drive.
    int DriveLine(int line, bool on) const {
        if (!m_caps.modemLines) return 0;
        if (ioctl(m_fd, on ? TIOCMBIS : TIOCMBIC, &line) == 0) return 0;
        return NoSuchLine(errno) ? 0 : errno;
    }

    const int m_fd;
    const std::string m_path;
    const std::string m_lockFile;
    const DeviceTermios m_found;  // the settings before this program's
    Capabilities m_caps;
    bool m_framingHeld = true;  // byte size and parity reach a line (not a pseudo-terminal)
};

DWORD OpenErrorCode(int err) {
    switch (err) {
        case EACCES:
        case EPERM:
        case EROFS:
            return ERROR_ACCESS_DENIED;
        case EBUSY:
            return ERROR_SHARING_VIOLATION;
        case ENOENT:
        case ENODEV:
        case ENXIO:
        case ENOTDIR:
        case ENAMETOOLONG:
        case ELOOP:
            return ERROR_FILE_NOT_FOUND;
        case ENOTTY:
        case EISDIR:
            return ERROR_BAD_DEVICE;
        default:
            return ERROR_GEN_FAILURE;
    }
}

OpenedDevice FailOpen(DWORD code, int err, const std::string& context, int fd) {
    if (fd >= 0) close(fd);
    SetLastErrorFromErrno(code, err, context);
    return {};
}

// The lock file taken for a device being opened; given back unless the open succeeds.
class HeldLock {
  public:
    explicit HeldLock(std::string file) : m_file(std::move(file)) {}
    ~HeldLock() { ReleaseSerialLock(m_file); }
    HeldLock(const HeldLock&) = delete;
    HeldLock& operator=(const HeldLock&) = delete;
    std::string Keep() { return std::exchange(m_file, std::string()); }

  private:
    std::string m_file;
};

}  // namespace

OpenedDevice OpenTtyDevice(const std::string& path) {
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return FailOpen(OpenErrorCode(errno), errno, path, -1);

    DeviceTermios settings;
    if (int err = ReadDeviceTermios(fd, settings)) {
        return FailOpen(OpenErrorCode(err), err, path, fd);
    }
    // The terminal this program runs in (its controlling terminal, /dev/tty among others) is the
    // operator's, not a line to a printer: made raw, it would take the keyboard away. Its
    // foreground group can be read only through the controlling terminal itself (ENOTTY on any
    // other); asking the terminal's session instead is not carried by every emulator.
    if (tcgetpgrp(fd) >= 0) {
        close(fd);
        SetLastErrorText(ERROR_BAD_DEVICE, "not a serial line: it is this program's terminal");
        return {};
    }
    const DeviceTermios found = settings;
    // TIOCEXCL keeps other users out, but not root; the lock keeps out every other user of this
    // library, root included.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        return FailOpen(ERROR_SHARING_VIOLATION, EBUSY, path, fd);
    }
    // Other serial programs look only at lock files; taken before the settings change, so a
    // line another program holds is left as it is.
    const SerialLock lock = TakeSerialLock(path);
    if (lock.outcome == SerialLock::Outcome::Busy) {
        close(fd);
        SetLastErrorText(
            ERROR_SHARING_VIOLATION,
            "in use by process " + std::to_string(lock.owner) + " (lock file " + lock.file + ")");
        return {};
    }
    HeldLock held(lock.file);
    ioctl(fd, TIOCEXCL);

    MakeRaw(settings);
    if (int err = WriteDeviceTermios(fd, settings))
        return FailOpen(OpenErrorCode(err), err, path, fd);
    if (int err = ReadDeviceTermios(fd, settings))
        return FailOpen(OpenErrorCode(err), err, path, fd);

    OpenedDevice opened;
    opened.device = std::make_unique<TtyDevice>(fd, path, held.Keep(), found);
    opened.settings = DcbFromTermios(settings);
    return opened;
}

}  // namespace platform::detail
