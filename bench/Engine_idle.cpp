// CPU the engine uses with an open port in the printer channel's mode and no traffic.
#include <chrono>
#include <cstdio>
#include <thread>

#include "bench/BenchCommon.h"
#include "engine/CommPort.h"
#include "tests/support/PtyPeer.h"

int main(int argc, char** argv) {
    int seconds = 10;
    int exitCode = 0;
    if (!bench::ParseArguments(
            argc, argv, "bench_engine_idle",
            "Measures the process CPU of an open port (event thread, mode 1) on a\n"
            "pseudo-terminal with no traffic. Goal: below 0.5 % of one core.",
            {{"seconds", &seconds, "length of the measurement"}}, exitCode))
        return exitCode;

    testsupport::PtyPeer peer;
    if (!peer.Ok() || !platform::MapPort(1, peer.SlavePath())) {
        std::fprintf(stderr, "bench_engine_idle: no pseudo-terminal could be made\n");
        return 1;
    }
    CCommPort port(COMM_MODE_EVENT_THREAD);
    if (!port.Open(1, 115200, NOPARITY, 8, ONESTOPBIT)) {
        std::fprintf(stderr, "bench_engine_idle: could not open %s\n", peer.SlavePath().c_str());
        return 1;
    }
    const std::string loadBefore = bench::LoadAverage();
    const double cpuStart = bench::ProcessCpuSeconds();
    const auto wallStart = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double cpu = bench::ProcessCpuSeconds() - cpuStart;
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    port.Close(500);

    const double percent = 100.0 * cpu / wall;
    std::printf(
        "idle port, mode 1, %.1f s: process CPU %.3f s = %.3f %% of one core (goal < 0.5 %%): %s\n",
        wall, cpu, percent, percent < 0.5 ? "met" : "NOT met");
    std::printf("load average before: %s, after: %s\n", loadBefore.c_str(),
                bench::LoadAverage().c_str());
    return 0;
}
