#include "stats/stats_case.hpp"

#include <algorithm>
#include <cstdio>

#include "profile/scan_profile.hpp"
#include "progress/progress.hpp"
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

std::size_t count_scan_facts(std::vector<StatsCase>& cases, const std::vector<bool>& selected) {
    std::size_t failed = 0, groups = 0, group_number = 0;
    std::vector<std::string> seen;
    for (std::size_t index = 0; index < cases.size(); ++index)
        if (selected[index] && std::find(seen.begin(), seen.end(), cases[index].layout + "/" + cases[index].sample) ==
                                   seen.end()) {
            seen.push_back(cases[index].layout + "/" + cases[index].sample);
            ++groups;
        }
    // At a terminal a line says which layout is stepped: over a big text this takes minutes.
    Progress progress = progress_on_standard_error();
    std::vector<bool> done(cases.size(), false);
    for (std::size_t first = 0; first < cases.size(); ++first) {
        if (!selected[first] || done[first]) continue;
        // The selected copies of this layout and sample, stepped once.
        std::vector<std::size_t> group;
        std::vector<const BenchCase*> copies;
        for (std::size_t index = first; index < cases.size(); ++index)
            if (selected[index] && cases[index].layout == cases[first].layout &&
                cases[index].sample == cases[first].sample) {
                group.push_back(index);
                copies.push_back(cases[index].copy);
                done[index] = true;
            }
        Stepping stepping{&progress, "jumpbench-stats: counting " + cases[first].layout + "/" +
                                         cases[first].sample + " (" + std::to_string(++group_number) + " of " +
                                         std::to_string(groups) + ")"};
        show_progress(progress, stepping.line, true);
        const StepWatch watch{DEFAULT_STEP_LIMIT, show_stepping, &stepping};
        const std::vector<ScanProfile> profiles = profile_copies(copies, watch);
        for (std::size_t member = 0; member < group.size(); ++member) {
            StatsCase& stats_case = cases[group[member]];
            const ScanProfile& profile = profiles[member];
            if (!profile.error.empty()) {
                stats_case.failure = profile.error;
                ++failed;
                continue;
            }
            stats_case.taken_branches = taken_branches(profile.counts);
            stats_case.line_changes = profile.counts.line_changes;
            stats_case.window_changes = profile.counts.window_changes;
            stats_case.boundary_jumps = profile.counts.boundary_jumps;
            stats_case.instructions = profile.counts.instructions;
        }
    }
    end_progress(progress);
    return failed;
}
