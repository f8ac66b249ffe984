#include "emulator/program/Program.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <vector>

#include "emulator/memory/NvFile.h"

namespace emutool {

void Say(std::FILE* stream, const std::string& line) {
    std::string text = line + "\n";
    std::fputs(text.c_str(), stream);  // one call: lines from the link thread stay whole
    std::fflush(stream);
}

namespace {

void Fail(const std::string& message) { Say(stderr, "printer-emulator: " + message); }

// The source column of the trace is as wide as "TCP 127.0.0.1:40312".
constexpr std::size_t kTraceSourceWidth = 19;

// " (1 printing, 2 waiting: TCP 127.0.0.1:40312, ...)", or nothing when none is open.
std::string DescribeWaiting(const std::vector<emu::PrinterStation::Connection>& connections) {
    if (connections.empty()) return {};
    std::string printing = "0 printing";
    std::string waiting;
    std::size_t count = 0;
    for (const emu::PrinterStation::Connection& c : connections) {
        if (c.printing) {
            printing = "1 printing (" + c.peer + ")";
        } else {
            waiting += (count++ ? ", " : "") + c.peer;
        }
    }
    return " (" + printing + ", " + std::to_string(count) + " waiting" +
           (count ? ": " + waiting : std::string()) + ")";
}

// The signals that end the program; serving, they arrive through a signalfd, so Run can save
// first.
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

const sigset_t& StopSignals() {
    static const sigset_t signals = [] {
        sigset_t set;
        sigemptyset(&set);
        for (int number : kStopSignals) sigaddset(&set, number);
        return set;
    }();
    return signals;
}

volatile std::sig_atomic_t g_stopSignal = 0;

void NoteStopSignal(int number) { g_stopSignal = number; }

}  // namespace

int ExitWithUsageError(const std::string& error) {
    Fail(error);
    Say(stderr, "Try 'printer-emulator --help' for the options.");
    return kExitBadUsage;
}

std::optional<ProgramOptions> ParseCommandLine(int argc, char** argv, int* exitCode) {
    std::string error;
    std::optional<ProgramOptions> options =
        ParseOptions(std::vector<std::string>(argv + 1, argv + argc), &error);
    *exitCode = 0;
    if (!options) {
        *exitCode = ExitWithUsageError(error);
    } else if (options->help) {
        std::fputs(UsageText().c_str(), stdout);
    } else if (options->version) {
        Say(stdout, std::string("printer-emulator ") + CE_MOLV_VERSION);
    } else {
        return options;
    }
    return std::nullopt;
}

int RunHeadless(const ProgramOptions& options) {
    Program program(options);
    if (int code = program.Open(); code != 0) return code;
    return program.Run();
}

Program::Program(const ProgramOptions& options)
    : m_options(options), m_station(*options.model, options.width) {
    // A file past the size limit fails its write, which is reported, instead of ending the run.
    std::signal(SIGXFSZ, SIG_IGN);
    if (options.mode != ProgramOptions::Mode::Input)
        pthread_sigmask(SIG_BLOCK, &StopSignals(), nullptr);
}

Program::~Program() {
    if (m_http) m_http->Stop();
    m_rfc2217.Stop();
    m_station.Stop();  // the trace and the console hear of the last receipts first
    m_station.Unsubscribe(this);
    m_linkPath.Remove();
    for (int fd : {m_signalFd, m_stopFd}) {
        if (fd >= 0) ::close(fd);
    }
    if (m_ownTrace) std::fclose(m_trace);
}

void Program::RequestStop() {
    std::uint64_t one = 1;
    if (m_stopFd >= 0) [[maybe_unused]]
        ssize_t n = ::write(m_stopFd, &one, sizeof one);
}

int Program::Run() {
    const int code = m_options.mode == ProgramOptions::Mode::Input ? RunInput() : RunLink();
    // The scalable font is opened when a character first needs it; what failed then is said here.
    if (const std::string problems = m_station.Printer().FontProblems();
        problems.size() > m_fontProblemsSaid.size()) {
        Fail("warning: " + problems.substr(m_fontProblemsSaid.size()));
    }
    // Whatever ended the run, lost paper or a trace with holes is a failure, said last.
    bool lost = false;
    if (const emu::ReceiptFolder::Losses receipts = m_station.LostReceipts(); receipts.count > 0) {
        Fail("this run " + emu::Describe(receipts));
        lost = true;
    }
    if (m_traceFailed) {
        Fail("this run's trace is incomplete: " + m_traceError);
        lost = true;
    }
    return lost ? kExitFailure : code;
}

void Program::WriteTrace(const emu::TraceEntry& entry) {
    if (m_traceFailed) return;
    // "    12.345  TCP 127.0.0.1:40312  ", then the line; continuation lines under the line.
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%10.3f  ", entry.seconds);
    std::string source = entry.source.empty() ? std::string("-") : entry.source;
    source.resize(std::max<std::size_t>(source.size(), kTraceSourceWidth), ' ');
    const std::string lead = seconds + source + "  ";
    std::string text;
    for (std::size_t from = 0; from <= entry.text.size();) {
        const std::size_t end = std::min(entry.text.find('\n', from), entry.text.size());
        text += (from == 0 ? lead : std::string(lead.size(), ' ')) +
                entry.text.substr(from, end - from) + "\n";
        from = end + 1;
    }
    if (std::fputs(text.c_str(), m_trace) < 0 || std::fflush(m_trace) != 0) {
        m_traceError =
            "cannot write the trace to " +
            (m_options.tracePath == "-" ? std::string("standard output") : m_options.tracePath) +
            ": " + std::strerror(errno);
        m_traceFailed = true;
        Fail(m_traceError + "; tracing stopped");
    }
}

void Program::OnStationEvent(const emu::StationEvent& event) {
    if (const auto* entry = std::get_if<emu::TraceEntry>(&event)) {
        if (m_trace != nullptr) WriteTrace(*entry);
    } else if (const auto* failed = std::get_if<emu::SaveFailed>(&event)) {
        Fail(failed->sentence);
    } else if (const auto* notice = std::get_if<emu::Notice>(&event)) {
        Fail(notice->sentence);
    }
}

emu::ReceiptFolder::Limits Program::ReceiptLimits() const {
    emu::ReceiptFolder::Limits limits;
    limits.maxReceipts = m_options.maxReceipts;
    return limits;
}

int Program::Open() {
    if (std::string problems = m_station.Printer().FontProblems(); !problems.empty()) {
        Fail("warning: " + problems);
        m_fontProblemsSaid = problems;
    }
    if (!m_options.tracePath.empty()) {
        if (m_options.tracePath == "-") {
            m_trace = stdout;
        } else {
            m_trace = std::fopen(m_options.tracePath.c_str(), "w");
            if (!m_trace) {
                Fail("cannot write the trace to " + m_options.tracePath + ": " +
                     std::strerror(errno));
                return kExitFailure;
            }
            m_ownTrace = true;
        }
    }
    std::string error;
    if (!m_options.outDir.empty() &&
        !m_station.PrepareReceipts(m_options.outDir, &error, ReceiptLimits())) {
        Fail("--out: " + error + "; give a folder receipts can be saved in");
        return kExitBadUsage;
    }
    m_station.Subscribe(this);
    emu::VirtualPrinter& printer = m_station.Printer();
    if (std::string warning; !printer.AttachState(m_options.stateFolder, &warning)) {
        Fail("warning: " + warning + "; the stored graphics start empty");
    }
    if (m_options.baud != 0) printer.SetLineBaudRate(m_options.baud);
    for (emu::Condition c : m_options.conditions) printer.SetCondition(c, true);
    if (m_options.mode != ProgramOptions::Mode::Input) return OpenLink();
    if (!m_station.Start(&error)) {
        Fail(error);
        return kExitFailure;
    }
    return 0;
}

int Program::OpenLink() {
    m_signalFd = ::signalfd(-1, &StopSignals(), SFD_CLOEXEC);
    m_stopFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_signalFd < 0 || m_stopFd < 0) {
        Fail(std::string("cannot watch signals: ") + std::strerror(errno));
        return kExitFailure;
    }
    std::string error;
    bool opened = true;
    emu::Link& link = m_station.GetLink();
    if (m_options.mode == ProgramOptions::Mode::Device) {
        if (m_options.baud == 0) m_station.Printer().SetLineBaudRate(9600);
        opened = link.OpenDevice(m_options.device, &error);
    } else if (m_options.mode == ProgramOptions::Mode::Pty) {
        opened = link.OpenPty(&error);
        link.SetPacing(m_options.baud != 0);
    }
    if (!opened) {
        Fail(error);
        return kExitFailure;
    }
    if (m_options.idleTimeout) {
        link.SetIdleTimeout(std::chrono::milliseconds(
            static_cast<std::int64_t>(*m_options.idleTimeout * 1000.0 + 0.5)));
    }
    if (m_options.listen) {
        bool inUse = false;
        if (!link.Listen(*m_options.listen, &error, &inUse)) {
            Fail(error);
            return kExitBadUsage;
        }
    }
    if (m_options.http && !OpenHttp()) return kExitBadUsage;
    if (m_options.rfc2217) {
        bool inUse = false;
        if (!m_rfc2217.Open(*m_options.rfc2217, link.DevicePath(), &error, &inUse)) {
            Fail("--rfc2217 " + error);
            return kExitBadUsage;
        }
    }
    if (!m_options.linkPath.empty() &&
        !m_linkPath.Make(m_options.linkPath, link.DevicePath(), &error)) {
        Fail(error);
        return kExitBadUsage;
    }
    if (m_linkPath.Made()) m_station.SetLinkName(m_options.linkPath);
    if (!link.DevicePath().empty()) Say(stdout, "device: " + link.DevicePath());
    if (m_options.listen) Say(stdout, "listening: " + link.Listener().Name());
    if (m_options.rfc2217) Say(stdout, "rfc2217: rfc2217://" + m_rfc2217.Listener().Name());
    if (m_http) Say(stdout, "http: " + m_http->Address());
    if (!m_station.Start(&error) || (m_options.rfc2217 && !m_rfc2217.Start(&error)) ||
        (m_http && !m_http->Start(&error))) {
        Fail(error);
        return kExitFailure;
    }
    return 0;
}

bool Program::OpenHttp() {
    std::string error;
    emu::Link& link = m_station.GetLink();
    // Jobs posted over HTTP print through the TCP port, in turn with the network's.
    if (!m_options.listen && !link.Listen(emu::ListenAddress{}, &error)) {
        Fail("--http " + error);
        return false;
    }
    m_http = emu::MakeHttpService(m_station, &error);
    if (!m_http || !m_http->Open(*m_options.http, &error)) {
        Fail("--http " + error);
        return false;
    }
    return true;
}

void Program::SaveReceiptInProgress(bool quiet) {
    if (!m_station.SavesReceipts()) {
        if (!quiet) Say(stdout, "error: no --out directory was given");
        return;
    }
    if (!m_station.Printer().HasContent()) {
        if (!quiet) Say(stdout, "nothing to save: the receipt is blank");
        return;
    }
    const std::size_t before = m_station.ReceiptCount();
    m_station.EndReceipt();
    m_station.Flush();
    const std::vector<emu::Receipt> receipts = m_station.Receipts();
    // A failure has been said by then, as every failed save is.
    if (!quiet && receipts.size() > before && !receipts.back().png.empty())
        Say(stdout, "saved " + receipts.back().png);
}

int Program::RunInput() {
    std::FILE* in = m_options.input == "-" ? stdin : std::fopen(m_options.input.c_str(), "rb");
    if (!in) {
        Fail("cannot read " + m_options.input + ": " + std::strerror(errno));
        return kExitFailure;
    }
    // A stop signal ends the reading (no SA_RESTART: a read that waits returns) and the paper
    // printed so far is saved, as in the other modes.
    struct sigaction action {};
    action.sa_handler = NoteStopSignal;
    sigemptyset(&action.sa_mask);
    for (int number : kStopSignals) sigaction(number, &action, nullptr);
    // Fed a few kilobytes at a time: the station's thread looks at the printer between saving
    // receipts, and a whole 64 KB read fed at once would hold it (and the saving) for as long.
    std::vector<std::uint8_t> buffer(4 * 1024);
    std::uint64_t unread = 0;
    int code = 0;
    // read(2), not fread: a stream that trickles in from a pipe prints as it comes.
    const int fd = fileno(in);
    bool failed = false;
    while (g_stopSignal == 0) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            failed = got < 0;
            break;
        }
        std::size_t n = static_cast<std::size_t>(got);
        std::size_t taken = m_station.Feed(buffer.data(), n, "input");
        if (taken < n) {
            // Paper is out and the input buffer is full: a line would now hold the host back.
            unread = n - taken;
            ssize_t more;
            while ((more = ::read(fd, buffer.data(), buffer.size())) > 0) unread += more;
            break;
        }
    }
    if (failed) {
        Fail("error reading " + m_options.input + ": " + std::strerror(errno));
        code = kExitFailure;
    }
    if (in != stdin) std::fclose(in);
    m_station.Printer().Finish();
    if (unread > 0) {
        Fail("paper is out and the input buffer is full: the last " + std::to_string(unread) +
             " bytes were not taken");
    }
    m_station.Stop();  // the paper printed last is a receipt too
    return code;
}

// "3 saved in DIR", "not saved (no --out)", with "; lost 1 receipt; the last: WHY" after
// receipts that could not be saved.
std::string Program::DescribeReceipts() const {
    if (!m_station.SavesReceipts()) return "not saved (no --out)";
    std::size_t saved = 0;
    for (const emu::Receipt& receipt : m_station.Receipts()) saved += receipt.png.empty() ? 0 : 1;
    const emu::ReceiptFolder::Losses lost = m_station.LostReceipts();
    return std::to_string(saved) + " saved in " + m_station.ReceiptFolderPath().string() +
           (lost.count > 0 ? ", " + emu::Describe(lost) : std::string());
}

std::string Program::StatusText() const {
    const emu::VirtualPrinter& printer = m_station.Printer();
    const std::uint8_t status = printer.Conditions();
    const emu::LineSettings line = printer.Line();
    static const char* const handshakes[] = {"none", "hardware", "software"};
    char hex[8];
    std::snprintf(hex, sizeof hex, "%02X", status);
    char mask[8];
    std::snprintf(mask, sizeof mask, "%02X", printer.AutoStatusMask());
    return std::string("status ") + hex + ": " +
           emu::DescribeConditions(printer.ConditionsOn(), m_options.model->commands) +
           "; asleep: " + (printer.Asleep() ? "yes" : "no") + "; automatic reports: " + mask +
           "; waiting input: " + std::to_string(printer.Waiting()) + " bytes; line: " +
           (line.baud ? std::to_string(line.baud) + " baud" : std::string("no rate")) +
           ", handshake " + handshakes[static_cast<int>(line.handshake)] +
           "; reached at: " + Where() +
           "; TCP connections: " + std::to_string(m_station.GetLink().Connections()) +
           DescribeWaiting(m_station.Connections()) + "; receipts: " + DescribeReceipts();
}

void Program::HandleCommand(const std::string& line, bool* quit) {
    std::istringstream words(line);
    std::string verb, name, state, extra;
    words >> verb >> name >> state >> extra;
    if (verb.empty()) return;
    if (verb == "set" && extra.empty()) {
        const emu::CommandSet commands = m_options.model->commands;
        std::optional<emu::Condition> c = emu::ParseCondition(name, commands);
        if (c && (state == "on" || state == "off")) {
            m_station.SetCondition(*c, state == "on");
            Say(stdout, std::string(emu::ConditionName(*c, commands)) + " " + state);
            return;
        }
        Say(stdout,
            "error: use 'set CONDITION on|off' with one of " + emu::ConditionNameList(commands));
        return;
    }
    if (verb == "status" && name.empty()) {
        Say(stdout, StatusText());
        return;
    }
    if (verb == "save" && name.empty()) {
        SaveReceiptInProgress(false);
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
    std::string pending;
    bool quit = false;
    bool stdinOpen = true;
    while (!quit) {
        pollfd fds[3] = {{m_signalFd, POLLIN, 0},
                         {m_stopFd, POLLIN, 0},
                         {stdinOpen ? STDIN_FILENO : -1, POLLIN, 0}};
        if (poll(fds, 3, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if ((fds[0].revents | fds[1].revents) & POLLIN) break;
        if (fds[2].revents & (POLLIN | POLLHUP)) {
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
    if (m_http) m_http->Stop();
    m_rfc2217.Stop();
    m_station.Stop();  // takes what the host wrote, then saves the unfinished receipt
    m_linkPath.Remove();
    return 0;
}

}  // namespace emutool
