// How long Close takes on the printer channel's mode (event thread): with the port idle, and
// after the device vanished (the peer end of a pseudo-terminal closed, as an unplugged adapter).
// Goal: under 50 ms in both.
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

#include "bench/BenchCommon.h"
#include "engine/CommPort.h"
#include "tests/support/PtyPeer.h"

namespace {

using Clock = std::chrono::steady_clock;

// Milliseconds Close took, or a negative number when the port would not open.
double TimeClose(bool vanish) {
    testsupport::PtyPeer peer;
    if (!peer.Ok() || !platform::MapPort(1, peer.SlavePath())) return -1;
    CCommPort port(COMM_MODE_EVENT_THREAD);
    if (!port.Open(1, 115200, NOPARITY, 8, ONESTOPBIT)) return -1;
    // Lets the event thread reach its wait, and notice the hang-up, as it would in use.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (vanish) {
        peer.Vanish();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const Clock::time_point start = Clock::now();
    port.Close(500);
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 50;
    int exitCode = 0;
    if (!bench::ParseArguments(argc, argv, "bench_engine_close",
                               "Times Close (wait 500 ms) on an idle port and after its device "
                               "vanished, event thread\nmode, on pseudo-terminals. Goal: < 50 ms.",
                               {{"runs", &runs, "closes timed per case"}}, exitCode))
        return exitCode;
    bool met = true;
    for (const bool vanish : {false, true}) {
        std::vector<double> ms;
        for (int i = 0; i < runs; ++i) {
            const double took = TimeClose(vanish);
            if (took < 0) {
                std::fprintf(stderr, "bench_engine_close: no pseudo-terminal could be opened\n");
                return 1;
            }
            ms.push_back(took);
        }
        const double median = bench::Percentile(ms, 0.5);
        const double worst = bench::Percentile(ms, 1);
        met = met && worst < 50;
        std::printf("Close, %s: %d runs, median %.2f ms, max %.2f ms (goal < 50 ms)\n",
                    vanish ? "after the device vanished" : "idle port", runs, median, worst);
    }
    std::printf("goal %s; load average: %s\n", met ? "met" : "NOT met",
                bench::LoadAverage().c_str());
    return 0;
}
