// The stats tool's kernel copies (placed_cases.S): every row of the benchmark's case table
// at each entry offset of PLACEMENT_OFFSETS in a 64-byte line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>

#include "meter/bench_case.hpp"
#include "run/bench_cases.hpp"

inline constexpr int PLACEMENT_OFFSETS[] = {0, 16, 32, 48};
inline constexpr std::size_t PLACEMENT_COUNT = std::size(PLACEMENT_OFFSETS);
inline constexpr std::size_t PLACED_CASE_COUNT = PLACEMENT_COUNT * BENCH_CASE_COUNT;

struct PlacedCase {
    BenchCase copy;     // name: "<layout>/<sample>/offset:<entry_offset>"
    std::size_t row;    // the row of the case table (bench_cases) it is a copy of
    const char* layout;
    const char* sample;  // "long" or "short"
    int entry_offset;    // of the kernel's entry in its 64-byte line
    std::uint32_t runs;  // of the kernel per call of its meter instance (round_runs.h)
};

// Offset by offset, each in the case table's order.
extern const PlacedCase placed_cases[PLACED_CASE_COUNT];

// The A/A control's twin of placed_cases' few_jumps/long at offset 0: the same bytes at the
// same offset in a slot of its own after all the others. Not one of placed_cases.
extern const PlacedCase twin_case;
inline constexpr char TWIN_OF[] = "few_jumps/long/offset:0";
