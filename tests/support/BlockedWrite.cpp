#include "tests/support/BlockedWrite.h"

#include <sys/ioctl.h>

#include <chrono>
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

}  // namespace

bool WaitUntilBlockedWriting(pid_t pid, int lineFd, int timeoutMs) {
    const std::string proc = "/proc/" + std::to_string(pid);
    auto unread = [&] {
        int count = 0;
        return ioctl(lineFd, FIONREAD, &count) == 0 ? count : 0;
    };
    std::string lastIo;
    auto since = std::chrono::steady_clock::now();
    return WaitUntil(
        [&] {
            const std::string now = ReadText(proc + "/io");
            if (now != lastIo) {
                lastIo = now;
                since = std::chrono::steady_clock::now();
            }
            return unread() > 0 && std::chrono::steady_clock::now() - since > kQuiet &&
                   ReadText(proc + "/wchan") == "do_epoll_wait";
        },
        timeoutMs);
}

}  // namespace testsupport
