#include "stats/stats_case.hpp"

#include <cstdio>

#include "profile/scan_profile.hpp"
#include "run/bench_cases.hpp"
#include "stats/placed_cases.hpp"

std::vector<StatsCase> stats_cases() {
    std::vector<StatsCase> cases;
    for (std::size_t row = 0; row < STATS_ROW_COUNT; ++row)
        for (std::size_t placement = 0; placement < PLACEMENT_COUNT; ++placement) {
            const PlacedCase& placed = placed_cases[placement * STATS_ROW_COUNT + row];
            cases.push_back({placed.copy.name, placed.layout, placed.sample, &placed.copy, row,
                             placement, placed.runs != 0 ? placed.runs : stats_long_runs});
        }
    return cases;
}

StatsCase twin_stats_case() {
    return {twin_case.copy.name, twin_case.layout, twin_case.sample, &twin_case.copy, twin_case.row, 0,
            stats_long_runs};
}

std::string count_scan_facts(std::vector<StatsCase>& cases, const std::vector<bool>& selected) {
    for (std::size_t index = 0; index < cases.size(); ++index) {
        StatsCase& stats_case = cases[index];
        if (!selected[index]) continue;
        const ScanProfile profile = profile_case(*stats_case.copy);
        if (!profile.error.empty()) return stats_case.name + ": " + profile.error;
        stats_case.taken_branches = taken_branches(profile.counts);
        stats_case.line_changes = profile.counts.line_changes;
        stats_case.window_changes = profile.counts.window_changes;
        stats_case.boundary_jumps = profile.counts.boundary_jumps;
        stats_case.instructions = profile.counts.instructions;
    }
    return "";
}
