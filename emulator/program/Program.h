// The printer-emulator program without its entry point, so that a build with the printer window
// can wrap it: options in, a virtual printer served on a pty, a device and/or a TCP port (or a
// captured stream rendered), commands on standard input, receipts saved.
#pragma once

#include <atomic>
#include <cstdio>
#include <optional>
#include <string>

#include "emulator/http/HttpService.h"
#include "emulator/link/LinkPath.h"
#include "emulator/link/Rfc2217Server.h"
#include "emulator/program/ProgramOptions.h"
#include "emulator/station/PrinterStation.h"

namespace emutool {

constexpr int kExitFailure = 1;
constexpr int kExitBadUsage = 2;

// One whole line on a stream in one call, so lines from several threads stay whole.
void Say(std::FILE* stream, const std::string& line);
// Says what is wrong with the command line and where the options are; returns kExitBadUsage.
int ExitWithUsageError(const std::string& error);
// The options, or nothing when the program is done (a usage error said, or --help or --version
// answered) with its exit code in *exitCode.
std::optional<ProgramOptions> ParseCommandLine(int argc, char** argv, int* exitCode);
// Runs the program without a window; returns its exit code.
int RunHeadless(const ProgramOptions& options);

class Program : private emu::StationView {
  public:
    // Blocks SIGINT and SIGTERM in the calling thread, so that every thread started after it
    // leaves them to Run, which saves before it exits.
    explicit Program(const ProgramOptions& options);
    ~Program() override;
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Prepares the trace and the receipt folder, opens the pty, device and port, makes the link
    // and starts serving, saying where on standard output. 0 when ready, else the exit code,
    // the reason said on standard error.
    int Open();
    // Serves until 'quit' on standard input, SIGINT, SIGTERM or RequestStop; then saves the
    // unfinished receipt and removes the link. Renders the input and returns in input mode.
    int Run();
    // Any thread: Run returns soon after.
    void RequestStop();

    // Ends the receipt in progress, so it is saved as the next receipt, as 'save' does; quiet
    // says nothing when there is nothing to save. Any thread.
    void SaveReceiptInProgress(bool quiet);

    // The printer and its receipts, for a window to watch (Subscribe) and control.
    emu::PrinterStation& Station() { return m_station; }
    emu::VirtualPrinter& Printer() { return m_station.Printer(); }
    // Where hosts reach the printer, e.g. "/dev/pts/3 (printer-line) and TCP 127.0.0.1:9100".
    std::string Where() const { return m_station.Where(); }
    const std::string& ReceiptFolder() const { return m_options.outDir; }
    // The TCP port served (as bound, when 0 was asked for); 0 without --listen.
    std::uint16_t Port() const { return m_station.GetLink().Listener().Port(); }

  private:
    void OnStationEvent(const emu::StationEvent& event) override;
    bool WantsTrace() const override { return m_trace != nullptr; }
    bool WantsEveryByte() const override { return true; }
    emu::ReceiptFolder::Limits ReceiptLimits() const;
    int OpenLink();
    // The HTTP side and, without --listen, a loopback port for its jobs; false when said why.
    bool OpenHttp();
    int RunInput();
    int RunLink();
    void HandleCommand(const std::string& line, bool* quit);
    std::string StatusText() const;
    std::string DescribeReceipts() const;
    // Writes one trace entry, each of its lines after its time and source; the first write that
    // fails is said and ends the trace.
    void WriteTrace(const emu::TraceEntry& entry);

    ProgramOptions m_options;
    emu::PrinterStation m_station;
    // --rfc2217; bytes off the line, decoded or garbled
    emu::Rfc2217Server m_rfc2217{
        [this] { return m_station.Printer().Received() + m_station.GetLink().FramingErrors(); }};
    std::unique_ptr<emu::HttpService> m_http;  // --http
    std::string m_fontProblemsSaid;            // said at start
    std::FILE* m_trace = nullptr;
    bool m_ownTrace = false;
    std::atomic<bool> m_traceFailed{false};  // the trace has holes: the exit status says so
    std::string m_traceError;                // set before m_traceFailed
    emu::LinkPath m_linkPath;
    int m_signalFd = -1;
    int m_stopFd = -1;  // eventfd for RequestStop
};

}  // namespace emutool
