#include "platform/internal/SerialLock.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/win32.h"

namespace platform::detail {

namespace {

constexpr int kAttempts = 3;  // a stale file removed, then another program's race lost

std::string LockFolder() {
    if (const char* dir = std::getenv("CE_MOLV_LOCK_DIR"); dir != nullptr && *dir != '\0')
        return dir;
    struct stat info {};
    return stat("/var/lock", &info) == 0 && S_ISDIR(info.st_mode) ? "/var/lock" : "/run/lock";
}

// The device as the other programs name it: its real path below /dev, with '/' as '_', so
// /dev/serial/by-id/... and /dev/ttyUSB0 share one lock.
std::string LockName(const std::string& devicePath) {
    char resolved[PATH_MAX];
    std::string name = realpath(devicePath.c_str(), resolved) != nullptr ? resolved : devicePath;
    if (name.rfind("/dev/", 0) == 0) name.erase(0, 5);
    for (char& c : name)
        if (c == '/') c = '_';
    return "LCK.." + name;
}

// The PID a lock file holds: ten ASCII columns by the convention, read leniently; 0 if none.
pid_t ReadOwner(const std::string& file) {
    std::FILE* in = std::fopen(file.c_str(), "r");
    if (in == nullptr) return 0;
    long pid = 0;
    if (std::fscanf(in, "%ld", &pid) != 1 || pid <= 0 || pid > INT_MAX) pid = 0;
    std::fclose(in);
    return static_cast<pid_t>(pid);
}

bool Alive(pid_t pid) { return kill(pid, 0) == 0 || errno == EPERM; }

bool WriteOwner(int fd) {
    char text[16];
    const int length = std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(getpid()));
    return write(fd, text, static_cast<std::size_t>(length)) == length;
}

SerialLock NotWritable(const std::string& folder, const std::string& devicePath, int err) {
    NKDbgPrintfW(L"%hs: no lock file in %hs (%hs); opened without one\n", devicePath.c_str(),
                 folder.c_str(), std::strerror(err));
    return {};
}

}  // namespace

SerialLock TakeSerialLock(const std::string& devicePath) {
    const std::string folder = LockFolder();
    const std::string file = folder + "/" + LockName(devicePath);
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            const bool written = WriteOwner(fd);
            close(fd);
            if (written) return {SerialLock::Outcome::Taken, file, 0};
            const int err = errno;
            unlink(file.c_str());
            return NotWritable(folder, devicePath, err);
        }
        if (errno != EEXIST) return NotWritable(folder, devicePath, errno);
        const pid_t owner = ReadOwner(file);
        // This process's own PID is a leftover: the device lock (flock) was free.
        if (owner != 0 && owner != getpid() && Alive(owner))
            return {SerialLock::Outcome::Busy, file, owner};
        if (unlink(file.c_str()) != 0 && errno != ENOENT)
            return NotWritable(folder, devicePath, errno);
    }
    return NotWritable(folder, devicePath, EEXIST);
}

void ReleaseSerialLock(const std::string& file) {
    // Only while it still holds this process's PID: a file another program took over is theirs.
    if (!file.empty() && ReadOwner(file) == getpid()) unlink(file.c_str());
}

}  // namespace platform::detail
