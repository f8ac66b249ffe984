// A status byte's way in through a device server: the time from the printer's end writing one
// byte to the engine's receive hook running, over the pty itself (the baseline) and through
// ser2net's RFC 2217 accepter in front of the same pty (chardelay off, as the README advises for
// status bytes), in the same run. The dialog's own part
// (posting the message, the check box) is the same on both ways and is not in these figures.
// Goal: median through ser2net < 2 ms and at most 3 times the pty's.
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "bench/BenchCommon.h"
#include "bench/TimedPort.h"
#include "tests/support/DeviceServer.h"
#include "tests/support/PtyPeer.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Figures {
    double median = 0;
    double p99 = 0;
    int lost = 0;
};

// Times samples bytes from the peer to OnReceive with COM1 mapped to path.
bool Measure(testsupport::PtyPeer& peer, const std::string& path, int samples, Figures& out) {
    platform::MapPort(1, path);
    TimedPort port;
    if (!port.Open(1, 9600, NOPARITY, 8, ONESTOPBIT)) {
        std::fprintf(stderr, "bench_network_latency: could not open %s: %s\n", path.c_str(),
                     platform::LastErrorText().c_str());
        return false;
    }
    std::vector<double> ms;
    for (int i = 0; i < samples; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        const Clock::rep before = port.Arrived();
        const auto sent = Clock::now();
        peer.Write(std::string(1, static_cast<char>(i & 0x7F)));
        const Clock::rep arrived = port.ArrivedAfter(before, sent + std::chrono::seconds(2));
        if (arrived == before) {
            ++out.lost;
            continue;
        }
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::duration(arrived) -
                                                               sent.time_since_epoch())
                         .count());
    }
    if (ms.empty()) return false;
    out.median = bench::Percentile(ms, 0.5);
    out.p99 = bench::Percentile(ms, 0.99);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int samples = 500;
    int exitCode = 0;
    if (!bench::ParseArguments(
            argc, argv, "bench_network_latency",
            "Times bytes from the printer's end to OnReceive over a pty and through ser2net\n"
            "(RFC 2217) in front of it. Goal: median through ser2net < 2 ms, <= 3x the pty's.",
            {{"samples", &samples, "number of bytes timed on each way"}}, exitCode))
        return exitCode;
    testsupport::PtyPeer peer;
    if (!peer.Ok()) return std::fprintf(stderr, "bench_network_latency: no pty\n"), 1;
    const std::string loadBefore = bench::LoadAverage();
    Figures pty;
    if (!Measure(peer, peer.SlavePath(), samples, pty)) return 1;
    testsupport::DeviceServer server(testsupport::DeviceServer::Kind::Ser2net, peer.SlavePath());
    if (!server.Ok()) {
        std::fprintf(stderr, "bench_network_latency: %s\n", server.Problem().c_str());
        return 1;
    }
    Figures network;
    if (!Measure(peer, server.Url(), samples, network)) return 1;
    const double ratio = network.median / pty.median;
    std::printf(
        "byte -> OnReceive over %d samples each:\n"
        "  pty:              median %.3f ms, p99 %.3f ms\n"
        "  through ser2net:  median %.3f ms, p99 %.3f ms\n"
        "  ratio of medians %.2f (goal: < 2 ms and <= 3): %s\n",
        samples, pty.median, pty.p99, network.median, network.p99, ratio,
        network.median < 2.0 && ratio <= 3.0 ? "met" : "NOT met");
    if (pty.lost + network.lost != 0)
        std::printf("%d bytes did not arrive within 2 s\n", pty.lost + network.lost);
    std::printf("load average before: %s, after: %s\n", loadBefore.c_str(),
                bench::LoadAverage().c_str());
    return 0;
}
