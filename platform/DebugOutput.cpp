// NKDbgPrintfW: standard error through a bounded buffer that a writer thread of its own drains.
// The callers are worker threads that must not stop when standard error does (a terminal paused
// with Ctrl-S, a pipe nobody reads); while it stalls, what does not fit is dropped and counted.
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#include "platform/internal/WideFormat.h"
#include "platform/win32.h"

namespace {

constexpr std::size_t kBufferBytes = 256 * 1024;
// Output still queued at exit gets this long; a standard error that stays stalled must not keep
// the program from ending.
constexpr DWORD kExitFlushMs = 1000;

void WriteAll(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = write(STDERR_FILENO, bytes.data() + done, bytes.size() - done);
        if (written < 0) {
            if (errno == EINTR) continue;
            return;  // debug output has nowhere to report its own failure
        }
        done += static_cast<std::size_t>(written);
    }
}

class DebugOutputWriter {
  public:
    // Never destroyed: threads may still print while the program exits.
    static DebugOutputWriter& Instance() {
        static DebugOutputWriter* writer = new DebugOutputWriter;
        return *writer;
    }

    void Put(const std::string& text) {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_pending.size() + text.size() > kBufferBytes) {
            ++m_dropped;
            return;
        }
        // Whole calls are appended, so lines of concurrent threads stay whole.
        m_pending += text;
        m_work.notify_one();
    }

    bool Flush(DWORD timeoutMs) {
        std::unique_lock<std::mutex> guard(m_lock);
        return m_idle.wait_for(guard, std::chrono::milliseconds(timeoutMs), [this] {
            return m_pending.empty() && m_dropped == 0 && !m_writing;
        });
    }

  private:
    DebugOutputWriter() {
        std::thread([this] { Run(); }).detach();
        std::atexit([] { DebugOutputWriter::Instance().Flush(kExitFlushMs); });
    }

    void Run() {
        std::string batch;
        for (;;) {
            std::size_t dropped = 0;
            {
                std::unique_lock<std::mutex> guard(m_lock);
                m_writing = false;
                m_idle.notify_all();
                m_work.wait(guard, [this] { return !m_pending.empty() || m_dropped != 0; });
                batch.swap(m_pending);
                m_pending.clear();
                dropped = m_dropped;
                m_dropped = 0;
                m_writing = true;
            }
            // The dropped calls came after everything in the batch and before anything queued
            // since, so the count goes between the two.
            if (dropped != 0) {
                batch += "\n[debug output: " + std::to_string(dropped) +
                         " lines dropped while standard error was blocked]\n";
            }
            WriteAll(batch);
            batch.clear();
        }
    }

    std::mutex m_lock;
    std::condition_variable m_work;
    std::condition_variable m_idle;
    std::string m_pending;
    std::size_t m_dropped = 0;
    bool m_writing = false;
};

}  // namespace

void NKDbgPrintfW(LPCWSTR lpszFmt, ...) {
    if (lpszFmt == nullptr) return;
    va_list args;
    va_start(args, lpszFmt);
    const std::optional<std::wstring> text = platform::detail::FormatWide(lpszFmt, args);
    va_end(args);
    if (!text || text->empty()) return;
    DebugOutputWriter::Instance().Put(platform::WideToUtf8(*text));
}

namespace platform {

bool FlushDebugOutput(DWORD timeoutMs) { return DebugOutputWriter::Instance().Flush(timeoutMs); }

}  // namespace platform
