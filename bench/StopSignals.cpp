// CE_MOLV stopped as users' machines stop it, many times over: receipts lost per stop case (a
// signal, the same signal repeated 0, 200 us and 2 ms later) and the time from the first signal
// to the end while the interface thread is blocked writing to a printer that stopped reading.
// Goals: 0 receipts lost; the end within 2 s of the first signal.
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/BenchCommon.h"
#include "tests/support/BlockedWrite.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/WaitUntil.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// One stop while the printer reads a demonstration at 9600 baud; true when the receipt is kept.
bool Kept(const fs::path& dir, int signal, const std::vector<int>& repeatsUs) {
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path ready = dir / "ready.png";
    std::ofstream(dir / "s.txt") << "click 1005\nclick 1009\nscreenshot " << ready.string()
                                 << "\nwait 60000\n";
    testsupport::ChildProcess program(
        {CE_MOLV_EXECUTABLE, "--virtual-printer", "--pace", "9600", "--paper-dir",
         (dir / "paper").string(), "--script", (dir / "s.txt").string()},
        0, (dir / "log.txt").string());
    if (!program.Started() || !testsupport::WaitUntil([&] { return fs::exists(ready); }, 20000))
        return false;
    program.Signal(signal);
    for (int gap : repeatsUs) {
        if (gap > 0) usleep(static_cast<useconds_t>(gap));
        program.Signal(signal);
    }
    const int status = program.Wait();
    std::error_code missing;
    return WIFEXITED(status) && fs::file_size(dir / "paper" / "receipt-001.png", missing) > 0;
}

// Seconds from SIGTERM to the end with the interface thread blocked writing; < 0 when it did not
// end within 20 s.
double BlockedStop(const fs::path& dir) {
    int printer = -1;
    int host = -1;
    if (openpty(&printer, &host, nullptr, nullptr, nullptr) != 0) return -1;
    const std::string line = ttyname(host);
    close(host);
    fs::create_directories(dir);
    std::string clicks = "click 1005\n";
    for (int i = 0; i < 30; ++i) clicks += "click 1015\n";
    std::ofstream(dir / "b.txt") << clicks;
    testsupport::ChildProcess program(
        {CE_MOLV_EXECUTABLE, "--port", "COM1=" + line, "--script", (dir / "b.txt").string()}, 0,
        (dir / "blocked.txt").string());
    testsupport::WaitUntilBlockedWriting(program.Pid(), printer, 20000);
    const Clock::time_point signalled = Clock::now();
    program.Signal(SIGTERM);
    int status = 0;
    const bool ended = program.WaitFor(20000, status);
    const double seconds = std::chrono::duration<double>(Clock::now() - signalled).count();
    close(printer);
    return ended ? seconds : -1;
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 20;
    int exitCode = 0;
    if (!bench::ParseArguments(
            argc, argv, "bench_stop_signals",
            "Stops CE_MOLV with signals, once and repeated, while its virtual printer reads a\n"
            "demonstration, and while it is blocked writing to a printer that stopped reading;\n"
            "prints the receipts lost per case and the time to the end. Goals: 0 lost, < 2 s.",
            {{"runs", &runs, "stops of each kind"}}, exitCode))
        return exitCode;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const fs::path dir = fs::temp_directory_path() / ("ce_molv-stops-" + std::to_string(getpid()));
    struct Case {
        const char* name;
        int signal;
        std::vector<int> repeatsUs;
    } const cases[] = {
        {"SIGTERM once", SIGTERM, {}},
        {"SIGTERM twice at once", SIGTERM, {0}},
        {"SIGTERM twice 200 us apart", SIGTERM, {200}},
        {"SIGTERM twice 2 ms apart", SIGTERM, {2000}},
        {"SIGHUP twice 2 ms apart (a closed terminal)", SIGHUP, {2000}},
        {"SIGINT three times", SIGINT, {0, 2000}},
    };
    std::printf("CE_MOLV stops, %d runs a case (goal: 0 receipts lost)\n", runs);
    for (const Case& c : cases) {
        int lost = 0;
        for (int i = 0; i < runs; ++i) lost += Kept(dir / "run", c.signal, c.repeatsUs) ? 0 : 1;
        std::printf("  %-46s %d of %d receipts lost\n", c.name, lost, runs);
        std::fflush(stdout);
    }
    std::vector<double> times;
    int stuck = 0;
    for (int i = 0; i < std::max(1, runs / 4); ++i) {
        const double seconds = BlockedStop(dir / "blocked");
        if (seconds < 0) {
            ++stuck;
        } else {
            times.push_back(seconds);
        }
    }
    std::printf(
        "  SIGTERM while blocked writing: %zu runs, first signal to exit median %.3f s, "
        "worst %.3f s, %d still running after 20 s (goal < 2 s, none stuck)\n",
        times.size(), bench::Percentile(times, 0.5), bench::Percentile(times, 1), stuck);
    std::printf("  load average at the end: %s\n", bench::LoadAverage().c_str());
    fs::remove_all(dir);
    return 0;
}
