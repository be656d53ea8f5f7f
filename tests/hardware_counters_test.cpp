// The processor's counters: the arithmetic per scan and the untrusted rule on made-up
// readings, and the path that opens and reads a group, with a software event every Linux
// kernel has (no test may need the processor's own counters).
#include <gtest/gtest.h>

#include "platform/hardware_counters.hpp"
#include "stats/per_scan.hpp"

namespace {

CounterReading reading(std::uint64_t cycles, std::uint64_t instructions, std::uint64_t enabled,
                       std::uint64_t running) {
    return {{cycles, instructions, 0, 0}, enabled, running};
}

// 1000 runs: 2 instructions of loop per run leave 50 per scan, the copy's exact count.
TEST(CountsPerScan, MeterOverheadRemovedAndExactInstructionsTrusted) {
    MeterOverhead overhead;
    overhead.per_run = {1, 2, 0, 0};
    const PerScan scan = counts_per_scan(reading(1000 * 31, 52000, 80, 80), overhead, 1000, 50);
    EXPECT_TRUE(scan.trusted) << scan.reason;
    EXPECT_DOUBLE_EQ(scan.values[0], 30.0);
    EXPECT_DOUBLE_EQ(scan.values[1], 50.0);
}

TEST(CountsPerScan, UntrustedWhereInstructionsDisagreeOrTheGroupWasMultiplexed) {
    const MeterOverhead none;
    const PerScan off = counts_per_scan(reading(100, 5100, 10, 10), none, 100, 50);
    EXPECT_FALSE(off.trusted);
    EXPECT_NE(off.reason.find("51.0 instructions per scan counted where the copy runs exactly 50"),
              std::string::npos) << off.reason;

    const PerScan shared = counts_per_scan(reading(100, 5000, 100, 60), none, 100, 50);
    EXPECT_FALSE(shared.trusted);
    EXPECT_NE(shared.reason.find("60.0 %"), std::string::npos) << shared.reason;

    EXPECT_FALSE(counts_per_scan(reading(0, 0, 0, 0), none, 0, 50).trusted);
}

// Opened, read twice, counting forward; closed again.
TEST(CounterGroupPath, ASoftwareEventOpensAndReads) {
    CounterGroup group;
    std::string reason;
    const CounterEvent task_clock = CounterEvent::task_clock;
    if (!open_counters(&task_clock, 1, group, reason) &&
        reason.find("Function not implemented") != std::string::npos) {
        GTEST_SKIP() << "no perf_event_open here (qemu's user-mode emulator has none): " << reason;
    }
    ASSERT_EQ(group.count, 1u) << reason;
    CounterReading first, second;
    ASSERT_TRUE(read_counters(group, first));
    volatile std::uint64_t sum = 0;
    for (int index = 0; index < 1000000; ++index) sum = sum + index;
    ASSERT_TRUE(read_counters(group, second));
    EXPECT_GT(second.values[0], first.values[0]);
    EXPECT_GE(second.time_enabled, second.time_running);
    close_counters(group);
    EXPECT_EQ(group.count, 0u);
    EXPECT_FALSE(read_counters(group, second));
    EXPECT_FALSE(open_counters(&task_clock, 0, group, reason));
}

}  // namespace
