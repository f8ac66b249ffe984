// A TCP client that floods the virtual printer with status requests and never reads the replies,
// as a misbehaving point-of-sale program might: the printer's resident memory and live heap after
// a second and at the end, and the replies the link holds against its bound. Goal: memory flat.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "bench/BenchCommon.h"
#include "emulator/VirtualPrinter.h"
#include "emulator/link/Link.h"
#include "tests/support/HostEnd.h"

namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

int main(int argc, char** argv) {
    int seconds = 30;
    int exitCode = 0;
    if (!bench::ParseArguments(
            argc, argv, "bench_emulator_non_reader",
            "Floods the virtual printer over TCP with status requests from a client that never\n"
            "reads the replies; prints resident memory and live heap after 1 s and at the end.\n"
            "Goal: flat.",
            {{"seconds", &seconds, "how long the client floods"}}, exitCode))
        return exitCode;
    emu::VirtualPrinter printer;
    emu::Link link(printer);
    std::string error;
    if (!link.Listen({"127.0.0.1", 0}, &error) || !link.Start(&error)) {
        std::fprintf(stderr, "bench_emulator_non_reader: %s\n", error.c_str());
        return 1;
    }
    emutest::HostEnd client = emutest::HostEnd::ConnectTcp(link.Listener().Port());
    std::vector<std::uint8_t> requests;
    for (int i = 0; i < 20000; ++i) requests.insert(requests.end(), {0x10, 0x04, 0x05});
    const Clock::time_point start = Clock::now();
    const Clock::time_point end = start + std::chrono::seconds(seconds);
    std::uint64_t sent = 0;
    bench::ProcessMemory first;
    bool sampled = false;
    while (Clock::now() < end) {
        const ssize_t n = ::write(client.Fd(), requests.data(), requests.size());
        if (n > 0) sent += static_cast<std::uint64_t>(n);
        if (n <= 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (!sampled && Clock::now() - start > std::chrono::seconds(1)) {
            first = bench::SampleMemory();
            sampled = true;
        }
    }
    const bench::ProcessMemory last = bench::SampleMemory();
    std::printf(
        "non-reading TCP client, %d s: %llu request bytes sent, %llu taken by the printer, "
        "%zu reply bytes held by the link (bound %zu)\n",
        seconds, static_cast<unsigned long long>(sent),
        static_cast<unsigned long long>(printer.Received()), link.RepliesHeld(),
        emu::Link::kReplyBound);
    std::printf("  RSS after 1 s %ld kB, at the end %ld kB: %+ld kB (goal: flat)\n", first.rssKb,
                last.rssKb, last.rssKb - first.rssKb);
    std::printf("  live heap after 1 s %ld kB, at the end %ld kB: %+ld kB (goal: flat)\n",
                first.liveHeapKb, last.liveHeapKb, last.liveHeapKb - first.liveHeapKb);
    std::printf("  load average at the end: %s\n", bench::LoadAverage().c_str());
    link.Stop();
    return 0;
}
