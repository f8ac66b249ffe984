#include "tests/support/BlockedWrite.h"

#include <sys/ioctl.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/support/WaitUntil.h"

namespace testsupport {

namespace {

// Long beside the pause between two steps of a program's work, short beside a test.
constexpr std::chrono::milliseconds kQuiet{200};

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// No thread of the process is running: one still at work (slow under qemu-user, which translates
// the code it meets first) can look like one blocked, its I/O as still as a blocked one's, while
// the event loop idles.
bool NoThreadRuns(const std::string& proc) {
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator(proc + "/task", error)) {
        const std::string stat = ReadText(task.path().string() + "/stat");
        const std::size_t state = stat.rfind(')');
        if (state == std::string::npos || state + 2 >= stat.size()) return false;
        if (stat[state + 2] == 'R') return false;
    }
    return !error;
}

}  // namespace

bool WaitUntilBlockedWriting(pid_t pid, int lineFd, int timeoutMs) {
    const std::string proc = "/proc/" + std::to_string(pid);
    auto unread = [&] {
        int count = 0;
        return ioctl(lineFd, FIONREAD, &count) == 0 ? count : 0;
    };
    std::string lastIo;
    int running = 0;
    auto since = std::chrono::steady_clock::now();
    return WaitUntil(
        [&] {
            const std::string now = ReadText(proc + "/io");
            if (now != lastIo) {
                lastIo = now;
                since = std::chrono::steady_clock::now();
            }
            // Seen at work three times in a row (a timer's callback is seldom seen twice).
            running = NoThreadRuns(proc) ? 0 : running + 1;
            if (running >= 3) since = std::chrono::steady_clock::now();
            return unread() > 0 && std::chrono::steady_clock::now() - since > kQuiet &&
                   ReadText(proc + "/wchan") == "do_epoll_wait";
        },
        timeoutMs);
}

}  // namespace testsupport
