// The stats tool's kernel copies (placed_cases.S): its rows, every layout of the layout list
// over the tools' text (long) and the benchmark's short-sample rows (short), each at every
// entry offset of PLACEMENT_OFFSETS in a 64-byte line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>

#include "kernels/layouts.hpp"
#include "meter/bench_case.hpp"
#include "run/bench_cases.hpp"

inline constexpr int PLACEMENT_OFFSETS[] = {0, 16, 32, 48};
inline constexpr std::size_t PLACEMENT_COUNT = std::size(PLACEMENT_OFFSETS);
inline constexpr std::size_t STATS_ROW_COUNT = LAYOUT_COUNT + SHORT_BENCH_CASE_COUNT;
inline constexpr std::size_t PLACED_CASE_COUNT = PLACEMENT_COUNT * STATS_ROW_COUNT;

struct PlacedCase {
    BenchCase copy;     // name: "<layout>/<sample>/offset:<entry_offset>"
    std::size_t row;    // the tool's row it is a copy of: a layout's long row, or a short one
    const char* layout;
    const char* sample;  // "long" or "short"
    int entry_offset;    // of the kernel's entry in its 64-byte line
    // Of the kernel per call of its meter instance (round_runs.h); 0 for a long row, whose
    // runs are stats_long_runs'.
    std::uint32_t runs;
};

// Offset by offset, each in the rows' order.
extern const PlacedCase placed_cases[PLACED_CASE_COUNT];

// The A/A control's twin of placed_cases' few_jumps/long at offset 0: the same bytes at the
// same offset in a slot of its own after all the others. Not one of placed_cases.
extern const PlacedCase twin_case;
inline constexpr char TWIN_OF[] = "few_jumps/long/offset:0";

// The runs a call of a long-row copy (and the twin) takes: the tool sets it from the text's
// length before it measures, so that a call lasts about as long whatever the text.
extern "C" std::uint32_t stats_long_runs;
std::uint32_t long_runs_for(std::size_t text_length);
