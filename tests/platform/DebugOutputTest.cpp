#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32.h"
#include "tests/support/StderrCapture.h"
#include "tests/support/WaitUntil.h"

namespace {

using testsupport::StderrCapture;

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

// Standard error that nobody reads: the caller goes on, what does not fit is dropped, and once it
// flows again the count of dropped lines stands where they were, so every line is accounted for.
TEST(DebugOutput, AStalledStandardErrorDropsLinesInsteadOfBlockingAndSaysHowMany) {
    StderrCapture capture(4096);
    constexpr int kLines = 20000;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int i = 0; i < kLines; ++i)
            NKDbgPrintfW(L"line %05d %s\n", i, std::wstring(40, L'x').c_str());
        done = true;
    });
    EXPECT_TRUE(testsupport::WaitUntil([&] { return done.load(); }, 20000)) << "a caller blocked";
    worker.join();

    std::string out;
    ASSERT_TRUE(testsupport::WaitUntil(
        [&] {
            out += capture.ReadAvailable();
            return platform::FlushDebugOutput(1);
        },
        20000));
    out += capture.Take();
    int seen = 0, next = 0;
    long dropped = 0;
    std::size_t start = 0;
    for (std::size_t end; (end = out.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = out.substr(start, end - start);
        if (line.empty()) continue;
        if (line.rfind("[debug output: ", 0) == 0) {
            dropped += std::stol(line.substr(15));
            continue;
        }
        ASSERT_EQ(line.size(), 51u) << line;
        const int number = std::stoi(line.substr(5, 5));
        ASSERT_GE(number, next) << "order kept";
        next = number + 1;
        ++seen;
    }
    EXPECT_GT(dropped, 0);
    EXPECT_EQ(seen + dropped, kLines);
}
