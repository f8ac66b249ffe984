// Redirects standard error into a pipe for the lifetime of the object, for tests of what the
// code under test writes there (the debug output among it).
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "platform/win32.h"

namespace testsupport {

class StderrCapture {
  public:
    // pipeBytes: the pipe's capacity; a small one that nobody reads stands for a stalled stream.
    explicit StderrCapture(int pipeBytes = 1 << 20) {
        EXPECT_EQ(pipe2(m_pipe, O_CLOEXEC), 0);
        fcntl(m_pipe[0], F_SETFL, O_NONBLOCK);
        fcntl(m_pipe[1], F_SETPIPE_SZ, pipeBytes);
        m_saved = dup(STDERR_FILENO);
        dup2(m_pipe[1], STDERR_FILENO);
    }
    ~StderrCapture() {
        Restore();
        close(m_pipe[0]);
    }
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    // Whatever is in the pipe now, without waiting.
    std::string ReadAvailable() {
        std::string out;
        char buffer[4096];
        ssize_t n;
        while ((n = read(m_pipe[0], buffer, sizeof buffer)) > 0)
            out.append(buffer, static_cast<std::size_t>(n));
        return out;
    }
    // Waits for the debug output queued so far, restores standard error and returns everything
    // written meanwhile.
    std::string Take() {
        EXPECT_TRUE(platform::FlushDebugOutput(5000));
        Restore();
        return ReadAvailable();
    }

  private:
    void Restore() {
        if (m_saved < 0) return;
        dup2(m_saved, STDERR_FILENO);
        close(m_saved);
        close(m_pipe[1]);
        m_saved = -1;
    }
    int m_pipe[2] = {-1, -1};
    int m_saved = -1;
};

}  // namespace testsupport
