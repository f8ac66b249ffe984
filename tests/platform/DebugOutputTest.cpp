#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/win32.h"

namespace {

// Redirects standard error into a pipe for the lifetime of the object.
class StderrCapture {
  public:
    StderrCapture() {
        EXPECT_EQ(pipe2(m_pipe, O_CLOEXEC), 0);
        fcntl(m_pipe[0], F_SETFL, O_NONBLOCK);
        fcntl(m_pipe[1], F_SETPIPE_SZ, 1 << 20);
        m_saved = dup(STDERR_FILENO);
        dup2(m_pipe[1], STDERR_FILENO);
    }
    ~StderrCapture() {
        Restore();
        close(m_pipe[0]);
    }
    // Restores standard error and returns everything written meanwhile.
    std::string Take() {
        Restore();
        std::string out;
        char buffer[4096];
        ssize_t n;
        while ((n = read(m_pipe[0], buffer, sizeof buffer)) > 0)
            out.append(buffer, static_cast<std::size_t>(n));
        return out;
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

}  // namespace

TEST(DebugOutput, WritesExactlyWhatWasFormattedAsUtf8) {
    StderrCapture capture;
    NKDbgPrintfW(L"iPort = %d, iBaudrate=%d\r\n", 1, 9600);
    NKDbgPrintfW(L"%X", 0x1B);
    NKDbgPrintfW(L"%X", 0x40);
    NKDbgPrintfW(L"%s\r\n", L"缺纸");
    NKDbgPrintfW(L"");
    NKDbgPrintfW(L"%s", std::wstring(3000, L'z').c_str());
    EXPECT_EQ(capture.Take(), "iPort = 1, iBaudrate=9600\r\n1B40\xE7\xBC\xBA\xE7\xBA\xB8\r\n" +
                                  std::string(3000, 'z'))
        << "no prefix, no added newline, no length cut";
}

TEST(DebugOutput, InvalidCodePointsBecomeReplacementCharacters) {
    StderrCapture capture;
    const wchar_t text[] = {L'a', static_cast<wchar_t>(0xD800), static_cast<wchar_t>(0x110000),
                            L'b', 0};
    NKDbgPrintfW(L"%s", text);
    EXPECT_EQ(capture.Take(),
              "a\xEF\xBF\xBD\xEF\xBF\xBD"
              "b");
}

TEST(DebugOutput, LinesOfConcurrentThreadsStayWhole) {
    StderrCapture capture;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < 200; ++i)
                NKDbgPrintfW(L"thread %d line %03d %s\n", t, i, std::wstring(60, L'a' + t).c_str());
        });
    }
    for (std::thread& t : threads) t.join();
    const std::string out = capture.Take();
    std::size_t lines = 0, start = 0;
    for (std::size_t end; (end = out.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = out.substr(start, end - start);
        ASSERT_EQ(line.size(), 78u) << line;
        const char fill = static_cast<char>('a' + (line[7] - '0'));
        EXPECT_EQ(line.substr(18), std::string(60, fill)) << line;
        ++lines;
    }
    EXPECT_EQ(lines, 800u);
    EXPECT_EQ(start, out.size());
}
