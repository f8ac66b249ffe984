#include "tests/support/BlockedWrite.h"

#include <stdlib.h>
#include <sys/epoll.h>
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

// An epoll of the program holds the line for writing: the serial layer's wait for room, which
// exists only while a write waits (an idle event loop, or a pause between writes, has none).
bool WaitsForRoom(const std::string& proc, const std::filesystem::path& line) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(proc + "/fdinfo", error)) {
        std::ifstream info(entry.path());
        for (std::string word; info >> word;) {
            if (word != "tfd:") continue;
            int fd = -1;
            std::string label, events;
            if (!(info >> fd >> label >> events) || label != "events:") break;
            if ((std::stoul(events, nullptr, 16) & EPOLLOUT) == 0) continue;
            std::error_code gone;
            if (std::filesystem::read_symlink(proc + "/fd/" + std::to_string(fd), gone) == line)
                return true;
        }
    }
    return false;
}

}  // namespace

bool WaitUntilBlockedWriting(pid_t pid, int lineFd, int timeoutMs) {
    const std::string proc = "/proc/" + std::to_string(pid);
    const char* name = ptsname(lineFd);
    const std::filesystem::path line = name != nullptr ? name : "";
    auto unread = [&] {
        int count = 0;
        return ioctl(lineFd, FIONREAD, &count) == 0 ? count : 0;
    };
    std::string lastIo;
    auto since = std::chrono::steady_clock::now();
    return WaitUntil(
        [&] {
            const std::string now = ReadText(proc + "/io");
            if (now != lastIo || !WaitsForRoom(proc, line)) {
                lastIo = now;
                since = std::chrono::steady_clock::now();
            }
            return unread() > 0 && std::chrono::steady_clock::now() - since > kQuiet;
        },
        timeoutMs);
}

}  // namespace testsupport
