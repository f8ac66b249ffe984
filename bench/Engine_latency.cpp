// Time from the peer writing one byte to the engine's receive hook running.
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "bench/BenchCommon.h"
#include "bench/TimedPort.h"
#include "tests/support/PtyPeer.h"

namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

int main(int argc, char** argv) {
    int samples = 1000;
    int exitCode = 0;
    if (!bench::ParseArguments(
            argc, argv, "bench_engine_latency",
            "Measures the time from a pty peer writing one byte to OnReceive running\n"
            "on the event thread (mode 1). Goal: median below 1 ms.",
            {{"samples", &samples, "number of bytes timed"}}, exitCode))
        return exitCode;

    testsupport::PtyPeer peer;
    if (!peer.Ok() || !platform::MapPort(1, peer.SlavePath())) {
        std::fprintf(stderr, "bench_engine_latency: no pseudo-terminal could be made\n");
        return 1;
    }
    TimedPort port;
    if (!port.Open(1, 115200, NOPARITY, 8, ONESTOPBIT)) {
        std::fprintf(stderr, "bench_engine_latency: could not open %s\n", peer.SlavePath().c_str());
        return 1;
    }
    const std::string loadBefore = bench::LoadAverage();
    std::vector<double> latenciesMs;
    int lost = 0;
    for (int i = 0; i < samples; ++i) {
        // Let the event thread settle back into its wait, as between real status bytes.
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        const Clock::rep before = port.Arrived();
        const auto sent = Clock::now();
        peer.Write(std::string(1, static_cast<char>(i)));
        const Clock::rep arrived = port.ArrivedAfter(before, sent + std::chrono::seconds(2));
        if (arrived == before) {
            ++lost;
            continue;
        }
        latenciesMs.push_back(std::chrono::duration<double, std::milli>(Clock::duration(arrived) -
                                                                        sent.time_since_epoch())
                                  .count());
    }
    port.Close(500);
    if (latenciesMs.empty()) {
        std::fprintf(stderr, "bench_engine_latency: no byte reached OnReceive\n");
        return 1;
    }
    const double median = bench::Percentile(latenciesMs, 0.5);
    std::printf(
        "write-to-OnReceive latency over %zu samples: median %.3f ms, p99 %.3f ms, max %.3f ms "
        "(goal: median < 1 ms): %s\n",
        latenciesMs.size(), median, bench::Percentile(latenciesMs, 0.99),
        bench::Percentile(latenciesMs, 1.0), median < 1.0 ? "met" : "NOT met");
    if (lost != 0) std::printf("%d bytes did not reach OnReceive within 2 s\n", lost);
    std::printf("load average before: %s, after: %s\n", loadBefore.c_str(),
                bench::LoadAverage().c_str());
    return 0;
}
