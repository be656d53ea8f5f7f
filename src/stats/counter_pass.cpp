#include "stats/counter_pass.hpp"

#include "meter/loop_count.h"
#include "selfcheck/selfcheck_cases.hpp"
#include "stats/placed_cases.hpp"

namespace {

constexpr int CALLS = 8;  // at each of the two run counts

// The counts of `calls` calls of `copy`, summed, each read around its call.
bool sum_calls(const BenchCase& copy, int calls, CounterGroup& group, CounterReading& sum) {
    for (int call = 0; call < calls; ++call) {
        CounterReading before, after;
        if (!read_counters(group, before)) return false;
        copy.measure_cycles();
        if (!read_counters(group, after)) return false;
        for (std::size_t event = 0; event < MAX_COUNTERS; ++event)
            sum.values[event] += after.values[event] - before.values[event];
        sum.time_enabled += after.time_enabled - before.time_enabled;
        sum.time_running += after.time_running - before.time_running;
    }
    return true;
}

}  // namespace

std::string count_with_counters(std::vector<StatsCase>& cases, const std::vector<bool>& selected,
                                CounterGroup& group) {
    // The meter's loop per run: the empty kernel's meter, whose runs (LOOP_COUNT) make the
    // per-call cost a rounding error, less the kernel's own mov esi and sub esi.
    const BenchCase& empty = selfcheck_cases[EMPTY_ROW].copy;
    CounterReading loop;
    if (!sum_calls(empty, 2, group, loop)) return "the counters could not be read";
    MeterOverhead overhead;
    for (std::size_t event = 0; event < MAX_COUNTERS; ++event)
        overhead.per_run[event] = static_cast<double>(loop.values[event]) / (2.0 * LOOP_COUNT);
    overhead.per_run[1] -= 2;  // instructions: the empty kernel's own two

    const std::uint32_t runs = stats_long_runs;
    const std::uint32_t fewer = runs > 1 ? runs / 2 : 1;
    const std::uint32_t more = runs > 1 ? runs : 2;
    for (std::size_t index = 0; index < cases.size(); ++index) {
        StatsCase& stats_case = cases[index];
        if (!selected[index] || stats_case.sample != "long" || stats_case.instructions == 0) continue;
        CounterReading at_more, at_fewer;
        stats_long_runs = more;
        stats_case.copy->measure_cycles();  // warm
        const bool read = sum_calls(*stats_case.copy, CALLS, group, at_more);
        stats_long_runs = fewer;
        const bool read_fewer = read && sum_calls(*stats_case.copy, CALLS, group, at_fewer);
        stats_long_runs = runs;
        if (!read_fewer) return "the counters could not be read";
        // The difference of the two sums: CALLS calls of (more - fewer) runs each, and no
        // per-call cost. The times stay whole, for the multiplexing check.
        CounterReading difference = at_more;
        for (std::size_t event = 0; event < MAX_COUNTERS; ++event)  // noise never below 0
            difference.values[event] = at_more.values[event] > at_fewer.values[event]
                                           ? at_more.values[event] - at_fewer.values[event]
                                           : 0;
        difference.time_enabled = at_more.time_enabled + at_fewer.time_enabled;
        difference.time_running = at_more.time_running + at_fewer.time_running;
        stats_case.pmu = counts_per_scan(difference, overhead, std::uint64_t{CALLS} * (more - fewer),
                                         stats_case.instructions);
    }
    return "";
}

void count_with_processor_counters(std::vector<StatsCase>& cases, const std::vector<bool>& selected,
                                   std::string& not_opened, std::string& problem) {
    CounterGroup group;
    if (!open_counters(PROCESSOR_EVENTS, MAX_COUNTERS, group, not_opened)) return;
    problem = count_with_counters(cases, selected, group);
    close_counters(group);
}
