#include "tests/support/ThreadAsleep.h"

#include <unistd.h>

#include <fstream>
#include <string>

#include "tests/support/WaitUntil.h"

namespace testsupport {

namespace {

// The state letter of /proc/self/task/TID/stat: R running, S or D asleep; 0 when unreadable.
char ThreadState(pid_t tid) {
    std::ifstream in("/proc/self/task/" + std::to_string(tid) + "/stat");
    std::string line;
    if (!std::getline(in, line)) return 0;
    const std::size_t end = line.rfind(')');  // the name in parentheses may hold anything
    return end == std::string::npos || end + 2 >= line.size() ? 0 : line[end + 2];
}

// Where in the kernel the thread sleeps (its wait channel), as /proc names it.
std::string WaitChannel(pid_t tid) {
    std::ifstream in("/proc/self/task/" + std::to_string(tid) + "/wchan");
    std::string name;
    std::getline(in, name);
    return name;
}

}  // namespace

pid_t KernelThreadId() { return ::gettid(); }

bool WaitUntilAsleep(const std::atomic<pid_t>& tid, int timeoutMs) {
    return WaitUntil(
        [&] {
            const pid_t id = tid.load();
            const char state = id == 0 ? 0 : ThreadState(id);
            return state == 'S' || state == 'D';
        },
        timeoutMs);
}

bool WaitUntilAsleepOnDescriptors(const std::atomic<pid_t>& tid, int timeoutMs) {
    return WaitUntil(
        [&] {
            const pid_t id = tid.load();
            const char state = id == 0 ? 0 : ThreadState(id);
            return (state == 'S' || state == 'D') && WaitChannel(id).rfind("futex", 0) != 0;
        },
        timeoutMs);
}

}  // namespace testsupport
