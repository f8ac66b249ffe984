// Internal to platform/: UUCP lock files, the convention by which serial programs on Linux keep
// out of each other's way: <lock folder>/LCK..<device> holds the owner's PID in ten columns.
// The folder is /var/lock (on Debian a link to /run/lock), or /run/lock where /var/lock is
// missing; the environment variable CE_MOLV_LOCK_DIR names another (tests use their own).
#pragma once

#include <sys/types.h>

#include <string>

namespace platform::detail {

struct SerialLock {
    enum class Outcome {
        Taken,        // file: the lock file now holding this process's PID
        Busy,         // owner: the live process that holds the device
        NotWritable,  // the folder takes no lock file (said on the debug output); open anyway
    };
    Outcome outcome = Outcome::NotWritable;
    std::string file;
    pid_t owner = 0;
};

// Takes the lock for the device at devicePath; a lock file whose owner is dead is removed first.
SerialLock TakeSerialLock(const std::string& devicePath);
// Removes a lock file that TakeSerialLock made.
void ReleaseSerialLock(const std::string& file);

}  // namespace platform::detail
