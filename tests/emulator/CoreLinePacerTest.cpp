#include <gtest/gtest.h>

#include <vector>

#include "emulator/link/LinePacer.h"

namespace {

using namespace std::chrono_literals;
using Clock = emu::LinePacer::Clock;

// One look at the line: after `after` has passed, with `pending` bytes waiting, the pacer lets
// `expected` bytes be read, and the link takes them all.
struct Look {
    Clock::duration after;
    std::size_t pending;
    bool stalled;
    std::size_t expected;
};

struct Case {
    const char* name;
    std::vector<Look> looks;
};

TEST(CoreLinePacer, ReadsWhatTheLineDeliveredWhileBytesWaited) {
    // 1000 bytes a second: one byte a millisecond.
    const Case cases[] = {
        {"a busy line delivers at its rate",
         {{0ms, 500, false, 0}, {10ms, 500, false, 10}, {3ms, 490, false, 3}}},
        {"time spent rendering is made up for",
         {{0ms, 500, false, 0}, {0ms, 500, false, 0}, {120ms, 500, false, 120}}},
        {"rendering beyond a quarter second is not",
         {{0ms, 500, false, 0}, {0ms, 500, false, 0}, {2s, 500, false, 250}}},
        {"an idle line earns nothing",
         {{0ms, 0, false, 0}, {5s, 0, false, 0}, {1ms, 100, false, 1}, {3ms, 99, false, 3}}},
        {"a stalled printer earns nothing",
         {{0ms, 500, false, 0}, {1s, 500, true, 0}, {2ms, 500, false, 1}}},
        {"never more than waits", {{0ms, 500, false, 0}, {100ms, 7, false, 7}}},
    };
    for (const Case& c : cases) {
        emu::LinePacer pacer;
        Clock::time_point now{};
        pacer.SetRate(1000, now);
        int step = 0;
        for (const Look& look : c.looks) {
            now += look.after;
            const std::size_t available = pacer.Available(now, look.pending, look.stalled);
            EXPECT_EQ(available, look.expected) << c.name << ", look " << step++;
            pacer.Took(available);
        }
    }
}

}  // namespace
