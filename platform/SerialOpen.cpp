// CreateFileW for serial ports: "COMn:" through the port map, anything else as a device path.
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <utility>

#include "platform/internal/DcbTermios.h"
#include "platform/internal/KernelObject.h"
#include "platform/internal/LastError.h"
#include "platform/internal/SerialHandle.h"
#include "platform/internal/SerialLock.h"
#include "platform/win32.h"

namespace {

using namespace platform::detail;

// Pseudo-terminal slaves: Unix98 (majors 136..143) and the old BSD kind (major 3).
constexpr unsigned kPtySlaveFirstMajor = 136;
constexpr unsigned kPtySlaveLastMajor = 143;
constexpr unsigned kBsdPtySlaveMajor = 3;

bool StartsWithCom(const std::string& name) {
    return name.size() >= 3 && std::toupper(static_cast<unsigned char>(name[0])) == 'C' &&
           std::toupper(static_cast<unsigned char>(name[1])) == 'O' &&
           std::toupper(static_cast<unsigned char>(name[2])) == 'M';
}

// A port name is "COMn" or "COMn:" (also as "\\.\COMn"), any letter case; returns 1..1024, or
// 0 for a name that looks like a port name but names no port. Names with a '/' are paths.
bool ParsePortName(std::string name, int& port) {
    if (name.rfind("\\\\.\\", 0) == 0) name.erase(0, 4);
    if (name.find('/') != std::string::npos || !StartsWithCom(name)) return false;
    std::string digits = name.substr(3);
    if (!digits.empty() && digits.back() == ':') digits.pop_back();
    port = 0;
    if (digits.empty() || digits.size() > 4) return true;
    for (char c : digits) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return true;
    }
    int number = std::stoi(digits);
    port = platform::PortPath(number).empty() ? 0 : number;
    return true;
}

HANDLE FailOpen(DWORD code, int err, const std::string& context, int fd = -1) {
    if (fd >= 0) close(fd);
    SetLastErrorFromErrno(code, err, context);
    return INVALID_HANDLE_VALUE;
}

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

SerialHandle::Capabilities Probe(int fd) {
    SerialHandle::Capabilities caps;
    int lines = 0;
    caps.modemLines = ioctl(fd, TIOCMGET, &lines) == 0;
    serial_icounter_struct icount{};
    caps.lineCounters = ioctl(fd, TIOCGICOUNT, &icount) == 0;
    struct stat info {};
    if (fstat(fd, &info) == 0 && S_ISCHR(info.st_mode)) {
        unsigned major = ::major(info.st_rdev);
        bool pty = (major >= kPtySlaveFirstMajor && major <= kPtySlaveLastMajor) ||
                   major == kBsdPtySlaveMajor;
        caps.framingHeld = !pty;
    }
    return caps;
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

// Serial ports are always opened for exclusive use, read and write, whatever the share mode and
// access asked for. As on CE, there is no overlapped I/O: FILE_FLAG_OVERLAPPED is accepted and
// every call completes before it returns.
HANDLE CreateFileW(LPCWSTR lpFileName, DWORD /*dwDesiredAccess*/, DWORD /*dwShareMode*/,
                   LPVOID /*lpSecurityAttributes*/, DWORD dwCreationDisposition,
                   DWORD /*dwFlagsAndAttributes*/, HANDLE /*hTemplateFile*/) {
    if (!lpFileName || !*lpFileName || dwCreationDisposition != OPEN_EXISTING) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::string name = platform::WideToUtf8(lpFileName);
    std::string path = name;
    int port = 0;
    if (ParsePortName(name, port)) {
        if (port == 0) {
            if (name.back() == ':') name.pop_back();
            return FailOpen(ERROR_FILE_NOT_FOUND, ENODEV, name);
        }
        path = platform::PortPath(port);
    }

    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return FailOpen(OpenErrorCode(errno), errno, path);

    DeviceTermios settings;
    if (int err = ReadDeviceTermios(fd, settings)) {
        return FailOpen(OpenErrorCode(err), err, path, fd);
    }
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
        return INVALID_HANDLE_VALUE;
    }
    HeldLock held(lock.file);
    ioctl(fd, TIOCEXCL);

    MakeRaw(settings);
    if (int err = WriteDeviceTermios(fd, settings))
        return FailOpen(OpenErrorCode(err), err, path, fd);
    if (int err = ReadDeviceTermios(fd, settings))
        return FailOpen(OpenErrorCode(err), err, path, fd);

    int wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd < 0) return FailOpen(ERROR_NOT_ENOUGH_MEMORY, errno, "eventfd", fd);

    auto handle = std::make_shared<SerialHandle>(fd, wakeFd, path, Probe(fd),
                                                 DcbFromTermios(settings), held.Keep());
    return RegisterHandle(std::move(handle));
}
