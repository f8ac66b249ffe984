// A program a test or benchmark starts, with its standard streams where the caller wants them.
#pragma once

#include <sys/resource.h>
#include <sys/types.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

class ChildProcess {
  public:
    // Where its standard streams go, or-ed: input from a pipe the caller writes (otherwise
    // /dev/null), output into a pipe read with ReadLine, and output not piped or logged, and
    // errors, to /dev/null. With a log, what it says goes into that file (made afresh).
    enum Streams : unsigned { kInput = 1, kOutput = 2, kQuiet = 4 };

    ChildProcess(std::vector<std::string> words, unsigned streams, const std::string& log = {});
    ~ChildProcess();  // a program still running is killed, so no test leaves one behind
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return m_pid > 0; }
    pid_t Pid() const { return m_pid; }

    bool Write(std::string_view bytes);  // all of them to its standard input
    void CloseInput();
    std::string ReadLine();  // the next line of its output with its newline; "" at the end
    void Signal(int signal) const;
    // False once it has ended (it is then reaped).
    bool Running();

    // Its wait status once it has ended (with the resources it used, when asked).
    int Wait(rusage* usage = nullptr);
    // As Wait, for at most timeoutMs; a program that has not ended by then is killed, reaped and
    // reported by false.
    bool WaitFor(int timeoutMs, int& status);

  private:
    pid_t m_pid = -1;
    int m_input = -1;
    std::FILE* m_output = nullptr;
};

}  // namespace testsupport
