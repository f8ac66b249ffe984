// printer-emulator: the virtual printer module on a pty, a serial device or a captured stream.
#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "emulator/VirtualPrinter.h"
#include "emulator/link/Link.h"
#include "emulator/program/ProgramOptions.h"
#include "emulator/receipts/ReceiptFolder.h"

namespace {

constexpr int kExitBadUsage = 2;
constexpr int kExitFailure = 1;

void Say(std::FILE* stream, const std::string& line) {
    std::string text = line + "\n";
    std::fputs(text.c_str(), stream);  // one call: lines from the link thread stay whole
    std::fflush(stream);
}

void Fail(const std::string& message) { Say(stderr, "printer-emulator: " + message); }

class Program {
  public:
    explicit Program(const emutool::ProgramOptions& options)
        : m_options(options), m_printer(*options.model, options.width) {}

    int Run();

  private:
    bool SetUp();
    int RunInput();
    int RunLink();
    void HandleCommand(const std::string& line, bool* quit);
    std::string StatusText() const;
    void SaveUnfinished(bool quietWhenEmpty);
    // Reports a receipt that was not saved; true when it was.
    bool Saved(const emu::ReceiptFolder::Result& result);

    emutool::ProgramOptions m_options;
    emu::VirtualPrinter m_printer;
    std::FILE* m_trace = nullptr;
    bool m_ownTrace = false;
    std::optional<emu::ReceiptFolder> m_receipts;
    bool m_saveFailed = false;  // some paper was not saved: the exit status says so
    bool m_limitSaid = false;
};

int Program::Run() {
    if (!SetUp()) return kExitFailure;
    int code = m_options.mode == emutool::ProgramOptions::Mode::Input ? RunInput() : RunLink();
    if (m_ownTrace) std::fclose(m_trace);
    return code == 0 && m_saveFailed ? kExitFailure : code;
}

bool Program::SetUp() {
    if (std::string problems = m_printer.FontProblems(); !problems.empty()) {
        Fail("warning: " + problems);
    }
    if (!m_options.tracePath.empty()) {
        if (m_options.tracePath == "-") {
            m_trace = stdout;
        } else {
            m_trace = std::fopen(m_options.tracePath.c_str(), "w");
            if (!m_trace) {
                Fail("cannot write the trace to " + m_options.tracePath + ": " +
                     std::strerror(errno));
                return false;
            }
            m_ownTrace = true;
        }
        std::FILE* trace = m_trace;
        m_printer.SetTraceCallback([trace](const std::string& line) { Say(trace, line); });
    }
    if (!m_options.outDir.empty()) {
        m_receipts.emplace();
        std::string error;
        if (!m_receipts->Prepare(m_options.outDir, &error, m_options.maxReceipts)) {
            Fail(error);
            return false;
        }
        m_printer.SetPageCallback(
            [this](const emu::PaperImage& image) { Saved(m_receipts->Save(image)); });
    }
    if (m_options.baud != 0) m_printer.SetLineBaudRate(m_options.baud);
    for (emu::Condition c : m_options.conditions) m_printer.SetCondition(c, true);
    return true;
}

void Program::SaveUnfinished(bool quietWhenEmpty) {
    if (!m_receipts) {
        if (!quietWhenEmpty) Say(stdout, "error: no --out directory was given");
        return;
    }
    const emu::ReceiptFolder::Result result = m_receipts->Save(m_printer.Snapshot());
    if (result.blank) {
        if (!quietWhenEmpty) Say(stdout, "nothing to save: the receipt is blank");
        return;
    }
    if (Saved(result) && !quietWhenEmpty) Say(stdout, "saved " + result.path);
}

bool Program::Saved(const emu::ReceiptFolder::Result& result) {
    if (!result.path.empty() || result.blank) return true;
    m_saveFailed = true;
    if (!result.limitReached) {
        Fail("a receipt was " + result.error);
    } else if (!m_limitSaid) {
        m_limitSaid = true;
        Fail("stopped saving receipts: " + std::to_string(m_options.maxReceipts) +
             " saved, the --max-receipts limit; later paper is not saved");
    }
    return false;
}

int Program::RunInput() {
    std::FILE* in = m_options.input == "-" ? stdin : std::fopen(m_options.input.c_str(), "rb");
    if (!in) {
        Fail("cannot read " + m_options.input + ": " + std::strerror(errno));
        return kExitFailure;
    }
    std::vector<std::uint8_t> buffer(64 * 1024);
    std::uint64_t unread = 0;
    int code = 0;
    while (true) {
        std::size_t n = std::fread(buffer.data(), 1, buffer.size(), in);
        if (n == 0) break;
        std::size_t taken = m_printer.Feed(buffer.data(), n);
        if (taken < n) {
            // Paper is out and the input buffer is full: a line would now hold the host back.
            unread = n - taken;
            while ((n = std::fread(buffer.data(), 1, buffer.size(), in)) > 0) unread += n;
            break;
        }
    }
    if (std::ferror(in)) {
        Fail("error reading " + m_options.input + ": " + std::strerror(errno));
        code = kExitFailure;
    }
    if (in != stdin) std::fclose(in);
    m_printer.Finish();
    if (unread > 0) {
        Fail("paper is out and the input buffer is full: the last " + std::to_string(unread) +
             " bytes were not taken");
    }
    SaveUnfinished(true);
    return code;
}

std::string Program::StatusText() const {
    const std::uint8_t status = m_printer.Conditions();
    const emu::LineSettings line = m_printer.Line();
    static const char* const handshakes[] = {"none", "hardware", "software"};
    char hex[8];
    std::snprintf(hex, sizeof hex, "%02X", status);
    char mask[8];
    std::snprintf(mask, sizeof mask, "%02X", m_printer.AutoStatusMask());
    return std::string("status ") + hex + ": " + emu::DescribeConditions(status) +
           "; asleep: " + (m_printer.Asleep() ? "yes" : "no") + "; automatic reports: " + mask +
           "; waiting input: " + std::to_string(m_printer.Waiting()) + " bytes; line: " +
           (line.baud ? std::to_string(line.baud) + " baud" : std::string("no rate")) +
           ", handshake " + handshakes[static_cast<int>(line.handshake)];
}

void Program::HandleCommand(const std::string& line, bool* quit) {
    std::istringstream words(line);
    std::string verb, name, state, extra;
    words >> verb >> name >> state >> extra;
    if (verb.empty()) return;
    if (verb == "set" && extra.empty()) {
        std::optional<emu::Condition> c = emu::ParseCondition(name);
        if (c && (state == "on" || state == "off")) {
            m_printer.SetCondition(*c, state == "on");
            Say(stdout, std::string(emu::ConditionName(*c)) + " " + state);
            return;
        }
        Say(stdout, "error: use 'set CONDITION on|off' with one of " + emu::ConditionNameList());
        return;
    }
    if (verb == "status" && name.empty()) {
        Say(stdout, StatusText());
        return;
    }
    if (verb == "save" && name.empty()) {
        SaveUnfinished(false);
        return;
    }
    if (verb == "quit" && name.empty()) {
        *quit = true;
        return;
    }
    Say(stdout, "error: unknown command '" + line +
                    "' (commands: set CONDITION on|off, status, save, quit)");
}

int Program::RunLink() {
    // Signals arrive through a signalfd; block them before the link thread exists so it inherits
    // the mask.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    int signalFd = signalfd(-1, &signals, SFD_CLOEXEC);
    if (signalFd < 0) {
        Fail(std::string("cannot watch signals: ") + std::strerror(errno));
        return kExitFailure;
    }

    emu::Link link(m_printer);
    std::string error;
    bool opened;
    if (m_options.mode == emutool::ProgramOptions::Mode::Device) {
        if (m_options.baud == 0) m_printer.SetLineBaudRate(9600);
        opened = link.OpenDevice(m_options.device, &error);
    } else {
        opened = link.OpenPty(&error);
        link.SetPacing(m_options.baud != 0);
    }
    if (!opened) {
        Fail(error);
        close(signalFd);
        return kExitFailure;
    }
    bool linked = false;
    if (!m_options.linkPath.empty()) {
        std::error_code ec;
        const std::filesystem::path path(m_options.linkPath);
        if (std::filesystem::is_symlink(path, ec)) std::filesystem::remove(path, ec);
        std::filesystem::create_symlink(link.DevicePath(), path, ec);
        if (ec) {
            Fail("cannot make the link " + m_options.linkPath + ": " + ec.message());
            close(signalFd);
            return kExitFailure;
        }
        linked = true;
    }
    Say(stdout, "device: " + link.DevicePath());
    if (!link.Start(&error)) {
        Fail(error);
        close(signalFd);
        return kExitFailure;
    }

    std::string pending;
    bool quit = false;
    bool stdinOpen = true;
    while (!quit) {
        pollfd fds[2] = {{signalFd, POLLIN, 0}, {stdinOpen ? STDIN_FILENO : -1, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (fds[0].revents & POLLIN) break;
        if (fds[1].revents & (POLLIN | POLLHUP)) {
            char buffer[512];
            ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
            if (n <= 0) {
                stdinOpen = false;  // no more commands; serve until a signal
                continue;
            }
            pending.append(buffer, static_cast<std::size_t>(n));
            std::size_t eol;
            while (!quit && (eol = pending.find('\n')) != std::string::npos) {
                std::string line = pending.substr(0, eol);
                pending.erase(0, eol + 1);
                if (!line.empty() && line.back() == '\r') line.pop_back();
                HandleCommand(line, &quit);
            }
        }
    }
    link.Stop();
    m_printer.Finish();
    SaveUnfinished(true);
    if (linked) {
        std::error_code ec;
        std::filesystem::remove(m_options.linkPath, ec);
    }
    close(signalFd);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    std::optional<emutool::ProgramOptions> options =
        emutool::ParseOptions(std::vector<std::string>(argv + 1, argv + argc), &error);
    if (!options) {
        Fail(error);
        Say(stderr, "Try 'printer-emulator --help' for the options.");
        return kExitBadUsage;
    }
    if (options->help) {
        std::fputs(emutool::UsageText().c_str(), stdout);
        return 0;
    }
    if (options->version) {
        Say(stdout, std::string("printer-emulator ") + CE_MOLV_VERSION);
        return 0;
    }
    Program program(*options);
    return program.Run();
}
