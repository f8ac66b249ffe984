#include <gtest/gtest.h>

#include <ostream>

#include "platform/internal/TransferTimeouts.h"

namespace {

using namespace platform::detail;

struct PlanCase {
    const char* name;
    COMMTIMEOUTS timeouts;
    DWORD count;
    bool atOnce;
    bool firstBytes;
    std::optional<std::uint64_t> total;
    std::optional<std::uint64_t> interval;
};

// Test lists show the case by its name rather than its bytes.
void PrintTo(const PlanCase& c, std::ostream* os) { *os << c.name; }

class ReadPlanning : public ::testing::TestWithParam<PlanCase> {};

TEST_P(ReadPlanning, Plan) {
    const PlanCase& c = GetParam();
    ReadPlan plan = PlanRead(c.timeouts, c.count);
    EXPECT_EQ(plan.returnAtOnce, c.atOnce);
    EXPECT_EQ(plan.returnOnFirstBytes, c.firstBytes);
    EXPECT_EQ(plan.totalMs, c.total);
    EXPECT_EQ(plan.intervalMs, c.interval);
}

constexpr auto none = std::nullopt;

INSTANTIATE_TEST_SUITE_P(
    Timeouts, ReadPlanning,
    ::testing::Values(
        PlanCase{"AllZeroWaitsForCount", {0, 0, 0, 0, 0}, 10, false, false, none, none},
        PlanCase{"IntervalOnly", {100, 0, 0, 0, 0}, 10, false, false, none, 100},
        PlanCase{"EngineDefaults", {100, 0, 250, 0, 250}, 10, false, false, 250, 100},
        PlanCase{"MultiplierTimesCount", {0, 10, 5, 0, 0}, 7, false, false, 75, none},
        PlanCase{"MaxIntervalZeroTotals", {MAXDWORD, 0, 0, 0, 0}, 10, true, false, none, none},
        PlanCase{"MaxIntervalMaxMultiplier",
                 {MAXDWORD, MAXDWORD, 300, 0, 0},
                 10,
                 false,
                 true,
                 300,
                 none},
        PlanCase{"MaxIntervalMaxMultiplierZeroConstant",
                 {MAXDWORD, MAXDWORD, 0, 0, 0},
                 1,
                 false,
                 false,
                 MAXDWORD,
                 MAXDWORD},
        PlanCase{
            "ConstantMaxAloneIsLong", {100, 0, MAXDWORD, 0, 0}, 10, false, false, MAXDWORD, 100},
        PlanCase{"LargestProductFits",
                 {0, MAXDWORD, MAXDWORD, 0, 0},
                 MAXDWORD,
                 false,
                 false,
                 0xFFFFFFFF00000000ull,
                 none}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WriteLimit, MultiplierTimesCountPlusConstant) {
    EXPECT_EQ(WriteLimitMs({0, 0, 0, 0, 0}, 100), std::nullopt);
    EXPECT_EQ(WriteLimitMs({0, 0, 0, 2, 10}, 100), 210u);
    EXPECT_EQ(WriteLimitMs({0, 0, 0, 0, MAXDWORD}, 1), MAXDWORD);
}

}  // namespace
