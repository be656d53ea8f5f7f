// Every meter instance the project lays out, for the tests that read laid-out code back:
// the benchmark's, the self-check's, the stats tool's placed copies and its shared-processor
// probe, with the form of their jumps back, their run count and divisor.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "case_lists.hpp"
#include "meter/bench_case.hpp"
#include "meter/loop_count.h"
#include "stats/placed_cases.hpp"
#include "stats/shared_probe.hpp"

// sub esi, imm32: the step at a copy's exit label, run with the copy but not counted in
// its code_bytes.
inline constexpr std::size_t EXIT_STEP_BYTES = 6;

struct MeterInstance {
    const BenchCase* copy;
    bool near_loop_back;  // 0F 85 rel32 instead of 75 rel8, in both loops
    std::uint32_t runs;   // of each loop
    std::uint32_t divisor;  // of the net ticks: runs, or 1 where the tool divides itself
    bool runs_from = false;  // the runs are stats_long_runs' at each call (runs is then 0)
};

inline std::vector<MeterInstance> all_meter_instances() {
    std::vector<MeterInstance> instances;
    for (const BenchCase& copy : bench_cases) instances.push_back({&copy, false, LOOP_COUNT, LOOP_COUNT});
    for (std::size_t row = 0; row < SELFCHECK_CASE_COUNT; ++row)
        instances.push_back({&selfcheck_cases[row].copy, SELFCHECK_NEAR_LOOP_BACK[row], LOOP_COUNT,
                             LOOP_COUNT});
    for (const PlacedCase& placed : placed_cases)
        instances.push_back({&placed.copy, false, placed.runs, 1, placed.runs == 0});
    instances.push_back({&twin_case.copy, false, twin_case.runs, 1, true});
    instances.push_back({&probe_jumps_case, true, PROBE_JUMP_RUNS, 1});
    instances.push_back({&probe_adds_case, true, PROBE_ADD_RUNS, 1});
    return instances;
}
