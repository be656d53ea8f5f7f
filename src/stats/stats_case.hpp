// One benchmark of the stats tool: a kernel copy in its meter instance, with the names
// the benchmark's name and the summary are made of.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "meter/bench_case.hpp"
#include "stats/per_scan.hpp"

struct StatsCase {
    std::string name;    // the benchmark's name: "few_jumps/long/offset:16"
    std::string layout;  // a layout of the layout list: few_jumps, many_jumps, ...
    std::string sample;  // long or short
    const BenchCase* copy;
    std::size_t row;     // of the tool's rows (placed_cases.hpp)
    std::size_t placement;  // index into PLACEMENT_OFFSETS
    std::uint32_t runs;     // of the kernel per call of its meter instance
    // Branches one scan takes (conditional taken and unconditional), counted exactly by
    // the profile; 0 where not counted.
    std::uint64_t taken_branches = 0;
    // Where the front end fetches from in one scan, at the copy's own address (the
    // profile's ScanCounts), as taken_branches.
    std::uint64_t line_changes = 0;
    std::uint64_t window_changes = 0;
    std::uint64_t boundary_jumps = 0;
    std::uint64_t instructions = 0;  // one scan executes, exactly (the profile)
    // The processor's counters per scan, where the kernel offers them (counter_pass.hpp).
    std::optional<PerScan> pmu{};
    std::uint32_t scan_length = 0;  // of the copy's last run, once measured
    // Why the copy is not measured (it cannot be stepped, decoded or scans elsewhere); ""
    // where it is. Its row then says so, and the others are measured.
    std::string failure{};
};

// The headline aggregate of a case: the median of its undisturbed figures (undisturbed.hpp).
inline constexpr char HEADLINE_AGGREGATE[] = "undisturbed";

// Every case the tool measures: the tool's rows in order (placed_cases.hpp), each at every
// offset. The long rows' runs are stats_long_runs': set the text first (texts.hpp).
std::vector<StatsCase> stats_cases();

// The taken branches and the front end's facts of every selected copy, from one stepping of
// each layout and sample over its text (profile_copies: the copies at other offsets follow
// from the same trace at their own addresses). A copy that cannot be counted gets its
// `failure` ("<profile's error>"); the number of such copies is returned.
std::size_t count_scan_facts(std::vector<StatsCase>& cases, const std::vector<bool>& selected);

// The A/A control's twin (placed_cases.hpp) as a case, measured where the control says so
// (aa_control.hpp); not one of stats_cases().
StatsCase twin_stats_case();
