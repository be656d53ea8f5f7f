#include "stats/measure.hpp"

#include <x86intrin.h>
#include <algorithm>
#include <chrono>
#include <limits>
#include <numeric>

#include <benchmark/benchmark.h>

#include "meter/cycle_meter.hpp"
#include "selfcheck/selfcheck_cases.hpp"

namespace {

struct Stamp {
    double seconds;  // monotonic clock
    double ticks;    // time-stamp counter
};

// A counter reading with the monotonic clock read on both sides of it; of a few tries
// the one with the closest pair, so that a preemption between the reads does not count.
Stamp stamp() {
    using Clock = std::chrono::steady_clock;
    Stamp best{};
    double best_gap = std::numeric_limits<double>::infinity();
    for (int attempt = 0; attempt < 5; ++attempt) {
        const Clock::time_point before = Clock::now();
        const unsigned long long ticks = __rdtsc();
        const Clock::time_point after = Clock::now();
        const double gap = std::chrono::duration<double>(after - before).count();
        if (gap < best_gap) {
            best_gap = gap;
            best.seconds = std::chrono::duration<double>(before.time_since_epoch()).count() + gap / 2;
            best.ticks = static_cast<double>(ticks);
        }
    }
    return best;
}

void measure_copy(benchmark::State& state, const StatsCase* stats_case, const Clock* clock) {
    const BenchCase& copy = *stats_case->copy;
    double ticks = 0;
    std::uint32_t len = 0;
    for (auto _ : state) {
        len = copy.measure_cycles();
        const auto run_ticks = static_cast<double>(meter_result);
        ticks += run_ticks;
        // A net figure below zero (the timed loop beat the calibration) is noise on a
        // figure near zero; a time cannot be negative.
        state.SetIterationTime(std::max(run_ticks, 0.0) * LOOP_COUNT / clock->ticks_per_second);
    }
    using benchmark::Counter;
    state.counters["ticks"] = Counter(ticks, Counter::kAvgIterations);
    state.counters["cycles"] = Counter(
        clock->ticks_per_cycle > 0 ? ticks / clock->ticks_per_cycle : 0, Counter::kAvgIterations);
    state.counters["len"] = len;
    state.counters["code_bytes"] = *copy.code_bytes;
    // What one taken branch costs, if the scan's whole cost were its taken branches: the
    // figure that compares layouts which take different numbers of branches.
    if (stats_case->taken_branches > 0) {
        const auto taken = static_cast<double>(stats_case->taken_branches);
        state.counters["taken"] = taken;
        state.counters["ticks_per_taken"] = Counter(ticks / taken, Counter::kAvgIterations);
        state.counters["cycles_per_taken"] = Counter(
            clock->ticks_per_cycle > 0 ? ticks / taken / clock->ticks_per_cycle : 0,
            Counter::kAvgIterations);
    }
}

}  // namespace

Clock measure_clock() {
    const SelfcheckCase& reference = selfcheck_cases[CHAIN_1000_ROW];
    const Stamp start = stamp();
    std::int64_t lowest_ticks = std::numeric_limits<std::int64_t>::max();
    for (int measurement = 0; measurement < REFERENCE_MEASUREMENTS; ++measurement) {
        reference.copy.measure_cycles();
        lowest_ticks = std::min(lowest_ticks, meter_result);
    }
    const Stamp end = stamp();
    Clock clock{};
    clock.ticks_per_second = (end.ticks - start.ticks) / (end.seconds - start.seconds);
    if (lowest_ticks > 0)
        clock.ticks_per_cycle = static_cast<double>(lowest_ticks) / reference.chain_length;
    return clock;
}

void register_benchmarks(const std::vector<StatsCase>& cases, const Clock& clock) {
    for (const StatsCase& stats_case : cases)
        benchmark::RegisterBenchmark(stats_case.name.c_str(), measure_copy, &stats_case, &clock)
            ->UseManualTime()
            ->ComputeStatistics("min", lowest)
            ->ComputeStatistics("low_quarter", low_quarter_mean);
}

double lowest(const std::vector<double>& figures) {
    return figures.empty() ? 0 : *std::min_element(figures.begin(), figures.end());
}

double low_quarter_mean(const std::vector<double>& figures) {
    if (figures.empty()) return 0;
    std::vector<double> sorted = figures;
    std::sort(sorted.begin(), sorted.end());
    const std::size_t count = (sorted.size() + 3) / 4;
    return std::accumulate(sorted.begin(), sorted.begin() + count, 0.0) / count;
}
