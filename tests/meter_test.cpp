// The meter's closing division, on the routine every meter instance runs, and one real
// measurement per row (its figures are not checked: they are timings).
#include <cstdint>
#include <limits>

#include <gtest/gtest.h>

#include "meter/cycle_meter.hpp"
#include "case_lists.hpp"
#include "console/console.hpp"

namespace {

// net / LOOP_COUNT in exact integer arithmetic, rounded to nearest, ties to even.
std::int64_t exact_ticks_per_run(std::int64_t net) {
    std::int64_t quotient = net / LOOP_COUNT;
    std::int64_t remainder = net % LOOP_COUNT;  // takes the sign of net
    const std::int64_t twice = 2 * (remainder < 0 ? -remainder : remainder);
    const std::int64_t away = net < 0 ? -1 : 1;
    if (twice > LOOP_COUNT || (twice == LOOP_COUNT && quotient % 2 != 0)) quotient += away;
    return quotient;
}

TEST(TicksPerRun, RoundsToNearestWithTiesToEven) {
    EXPECT_EQ(ticks_per_run(150000), 2);
    EXPECT_EQ(ticks_per_run(250000), 2);
    EXPECT_EQ(ticks_per_run(249999), 2);
    EXPECT_EQ(ticks_per_run(250001), 3);
    EXPECT_EQ(ticks_per_run(-150000), -2);
    EXPECT_EQ(ticks_per_run(0), 0);
    EXPECT_EQ(ticks_per_run(49999), 0);
    EXPECT_EQ(ticks_per_run(50000), 0);
    EXPECT_EQ(ticks_per_run(50001), 1);
    EXPECT_EQ(meter_result, 1);  // the figure is also left where the report reads it
    EXPECT_EQ(loop_count, LOOP_COUNT);
}

// Around ties and at the ends of the 64-bit range, the x87 quotient rounds exactly as
// integer arithmetic does.
TEST(TicksPerRun, AgreesWithExactDivisionOverTheRange) {
    constexpr std::int64_t MAX = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t MIN = std::numeric_limits<std::int64_t>::min();
    for (std::int64_t base : {std::int64_t{0}, std::int64_t{123456789}, std::int64_t{1} << 40,
                              std::int64_t{1} << 62, MAX - LOOP_COUNT, -(std::int64_t{1} << 50),
                              MIN + LOOP_COUNT}) {
        const std::int64_t start = base - base % LOOP_COUNT;
        for (std::int64_t offset : {-50001, -50000, -49999, -1, 0, 1, 49999, 50000, 50001, 150000}) {
            const std::int64_t net = start + offset;
            ASSERT_EQ(ticks_per_run(net), exact_ticks_per_run(net)) << net;
        }
    }
    EXPECT_EQ(ticks_per_run(MAX), exact_ticks_per_run(MAX));
    EXPECT_EQ(ticks_per_run(MIN), exact_ticks_per_run(MIN));
}

std::uint16_t x87_control_word() {
    std::uint16_t word;
    asm volatile("fnstcw %0" : "=m"(word));
    return word;
}

void set_x87_control_word(std::uint16_t word) { asm volatile("fldcw %0" : : "m"(word)); }

// The division sets its own rounding (nearest, ties to even) and 64-bit precision, whatever
// the caller had, and gives the caller's control word back.
TEST(TicksPerRun, OwnRoundingAndTheCallersControlWordKept) {
    const std::uint16_t original = x87_control_word();
    for (std::uint16_t caller : {std::uint16_t{0x027F},    // 53-bit precision, nearest
                                 std::uint16_t{0x0F7F},    // 64-bit, towards zero
                                 std::uint16_t{0x047F}}) {  // 64-bit, downwards
        set_x87_control_word(caller);
        const std::int64_t even = ticks_per_run(150000);
        const std::int64_t negative = ticks_per_run(-250001);
        const std::uint16_t after = x87_control_word();
        set_x87_control_word(original);
        EXPECT_EQ(even, 2) << std::hex << caller;
        EXPECT_EQ(negative, -3) << std::hex << caller;
        EXPECT_EQ(after, caller);
    }
}

// Every meter instance runs its copy LOOP_COUNT times and gives the scan length of the
// last run, the sample's length with its terminator; the counter is left at zero.
TEST(MeterInstances, GiveTheScanLengthOfTheirSample) {
    for (std::size_t row = 0; row < BENCH_CASE_COUNT; ++row) {
        const std::uint32_t sample_length = text_length(LISTED_BENCH_CASES[row].sample);
        EXPECT_EQ(bench_cases[row].measure_cycles(), sample_length + 1) << bench_cases[row].name;
        EXPECT_EQ(loop_count, LOOP_COUNT);
        EXPECT_EQ(loop_counter, 0u);
    }
}

}  // namespace
