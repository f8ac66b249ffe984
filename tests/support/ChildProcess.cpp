#include "tests/support/ChildProcess.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "tests/support/WaitUntil.h"

extern char** environ;

namespace testsupport {

ChildProcess::ChildProcess(std::vector<std::string> words, unsigned streams,
                           const std::string& log) {
    const bool input = streams & kInput;
    const bool output = streams & kOutput;
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    int toChild[2] = {-1, -1};
    int fromChild[2] = {-1, -1};
    if ((input && pipe2(toChild, O_CLOEXEC) != 0) || (output && pipe2(fromChild, O_CLOEXEC) != 0))
        return;
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    if (input)
        posix_spawn_file_actions_adddup2(&files, toChild[0], 0);
    else
        posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    if (output) posix_spawn_file_actions_adddup2(&files, fromChild[1], 1);
    if (!log.empty()) {
        // One open file for both, so that what the two streams say stays in order.
        const int logged = output ? 2 : 1;
        posix_spawn_file_actions_addopen(&files, logged, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        if (!output) posix_spawn_file_actions_adddup2(&files, 1, 2);
    } else if ((streams & kQuiet)) {
        if (!output) posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&files, 2, "/dev/null", O_WRONLY, 0);
    }
    if (posix_spawn(&m_pid, argv[0], &files, nullptr, argv.data(), environ) != 0) m_pid = -1;
    posix_spawn_file_actions_destroy(&files);
    if (input) {
        close(toChild[0]);
        m_input = toChild[1];
    }
    if (output) {
        close(fromChild[1]);
        m_output = fdopen(fromChild[0], "r");
    }
}

ChildProcess::~ChildProcess() {
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
    CloseInput();
    if (m_output) std::fclose(m_output);
}

bool ChildProcess::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = write(m_input, bytes.data(), bytes.size());
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

void ChildProcess::CloseInput() {
    if (m_input >= 0) close(m_input);
    m_input = -1;
}

std::string ChildProcess::ReadLine() {
    char line[512] = {};
    return m_output && std::fgets(line, sizeof line, m_output) ? std::string(line) : std::string();
}

void ChildProcess::Signal(int signal) const {
    if (m_pid > 0) kill(m_pid, signal);
}

bool ChildProcess::Running() {
    if (m_pid > 0 && waitpid(m_pid, nullptr, WNOHANG) == m_pid) m_pid = -1;
    return m_pid > 0;
}

int ChildProcess::Wait(rusage* usage) {
    int status = 0;
    if (m_pid > 0 && wait4(m_pid, &status, 0, usage) == m_pid) m_pid = -1;
    return status;
}

bool ChildProcess::WaitFor(int timeoutMs, int& status) {
    status = 0;
    if (m_pid <= 0) return false;
    const bool ended = WaitUntil(
        [&] {
            if (waitpid(m_pid, &status, WNOHANG) == m_pid) m_pid = -1;
            return m_pid <= 0;
        },
        timeoutMs);
    if (!ended) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, &status, 0);
        m_pid = -1;
    }
    return ended;
}

}  // namespace testsupport
