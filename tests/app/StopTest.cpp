// CE_MOLV stopped as its users' machines stop it: a signal, the same signal repeated (a closed
// terminal and its shell both send SIGHUP; timeout(1) signals the child, then its group), the
// terminal it runs in closed, and a stop while the printer has stopped reading.
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/BlockedWrite.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"

namespace {

constexpr int kStartMs = 20000;

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string WriteScript(const testsupport::TempDir& dir, const std::string& text) {
    const std::string path = (dir / "s.txt").string();
    std::ofstream(path) << text;
    return path;
}

TEST(Stop, NothingPrintedIsLostHoweverTheStopComes) {
    // At 9600 baud the printer is still reading the demonstration when the script ends or the
    // signal comes; the program lets it take what was written and saves the receipt in progress.
    const std::string print = "click 1005\nclick 1009\n";
    struct Case {
        const char* name;
        int signal;                  // 0: the script just ends
        std::vector<int> repeatsUs;  // the same signal again, this long after the one before
    } const cases[] = {
        {"script ends", 0, {}},
        {"SIGINT", SIGINT, {}},
        {"SIGTERM", SIGTERM, {}},
        {"SIGHUP", SIGHUP, {}},
        {"SIGTERM twice at once", SIGTERM, {0}},
        {"SIGTERM twice 200 µs apart", SIGTERM, {200}},
        {"SIGHUP twice 2 ms apart", SIGHUP, {2000}},
        {"SIGINT three times", SIGINT, {0, 2000}},
    };
    for (const Case& c : cases) {
        testsupport::TempDir dir;
        const std::string ready = (dir / "ready.png").string();
        const std::string script = WriteScript(
            dir, c.signal == 0 ? print : print + "screenshot " + ready + "\nwait 60000\n");
        const std::string paper = (dir / "paper").string();
        const std::string log = (dir / "log.txt").string();
        testsupport::ChildProcess program({CE_MOLV_EXECUTABLE, "--virtual-printer", "--pace",
                                           "9600", "--paper-dir", paper, "--script", script},
                                          0, log);
        ASSERT_TRUE(program.Started());
        if (c.signal != 0) {
            EXPECT_TRUE(
                testsupport::WaitUntil([&] { return std::filesystem::exists(ready); }, kStartMs))
                << c.name;
            program.Signal(c.signal);
            for (int gap : c.repeatsUs) {
                if (gap > 0) usleep(static_cast<useconds_t>(gap));
                program.Signal(c.signal);
            }
        }
        int status = 0;
        const bool ended = program.WaitFor(kStartMs, status);
        const std::string output = ReadText(log);
        EXPECT_TRUE(ended && WIFEXITED(status)) << c.name << "\n" << output;
        EXPECT_EQ(WEXITSTATUS(status), c.signal == 0 ? 0 : 128 + c.signal) << c.name;
        EXPECT_NE(output.find("1 receipt saved"), std::string::npos) << c.name << "\n" << output;
        std::error_code missing;
        EXPECT_GT(std::filesystem::file_size(paper + "/receipt-001.png", missing), 500u) << c.name;
    }
}

TEST(Stop, ClosingTheTerminalItRunsInLosesNothing) {
    // An interactive shell on a pty runs the program in the foreground; closing the terminal
    // sends SIGHUP to both, and the shell sends its job another.
    testsupport::TempDir dir;
    const std::string ready = (dir / "ready.png").string();
    const std::string script =
        WriteScript(dir, "click 1005\nclick 1009\nscreenshot " + ready + "\nwait 60000\n");
    const std::string paper = (dir / "paper").string();
    const std::string log = (dir / "log.txt").string();
    int terminal = -1;
    const pid_t shell = forkpty(&terminal, nullptr, nullptr, nullptr);
    ASSERT_GE(shell, 0);
    if (shell == 0) {
        execl("/bin/bash", "bash", "--norc", "--noprofile", "-i", static_cast<char*>(nullptr));
        _exit(127);
    }
    const std::string command = "QT_QPA_PLATFORM=offscreen " + std::string(CE_MOLV_EXECUTABLE) +
                                " --virtual-printer --pace 9600 --paper-dir " + paper +
                                " --script " + script + " >" + log + " 2>&1\n";
    ASSERT_EQ(write(terminal, command.data(), command.size()),
              static_cast<ssize_t>(command.size()));
    ASSERT_TRUE(testsupport::WaitUntil([&] { return std::filesystem::exists(ready); }, kStartMs));
    close(terminal);
    EXPECT_TRUE(testsupport::WaitUntil(
        [&] { return ReadText(log).find("receipt saved") != std::string::npos; }, kStartMs))
        << ReadText(log);
    waitpid(shell, nullptr, 0);
    std::error_code missing;
    EXPECT_GT(std::filesystem::file_size(paper + "/receipt-001.png", missing), 500u)
        << ReadText(log);
}

TEST(Stop, AStopEndsAWriteToAPrinterThatStoppedReading) {
    // The test holds the printer's end of the line and never reads it: the interface thread
    // blocks writing the images, with no time-out.
    int printer = -1;
    int host = -1;
    ASSERT_EQ(openpty(&printer, &host, nullptr, nullptr, nullptr), 0);
    const std::string line = ttyname(host);
    close(host);
    testsupport::TempDir dir;
    std::string clicks = "click 1005\n";
    for (int i = 0; i < 30; ++i) clicks += "click 1015\n";
    const std::string done = (dir / "done.png").string();
    const std::string script = WriteScript(dir, clicks + "screenshot " + done + "\n");
    const std::string log = (dir / "log.txt").string();
    testsupport::ChildProcess program(
        {CE_MOLV_EXECUTABLE, "--port", "COM1=" + line, "--script", script}, 0, log);
    ASSERT_TRUE(program.Started());
    EXPECT_TRUE(testsupport::WaitUntilBlockedWriting(program.Pid(), printer, kStartMs))
        << "the interface thread waits to write";
    program.Signal(SIGTERM);
    int status = 0;
    const bool ended = program.WaitFor(kStartMs, status);
    const std::string output = ReadText(log);
    EXPECT_TRUE(ended) << output;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 128 + SIGTERM) << output;
    EXPECT_NE(output.find("stopped while writing to the printer: the last "), std::string::npos)
        << output;
    EXPECT_FALSE(std::filesystem::exists(done)) << "the script did not go on";
    close(printer);
}

}  // namespace
