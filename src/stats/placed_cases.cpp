#include "stats/placed_cases.hpp"

#include "console/console.hpp"
#include "stats/round_runs.h"

#define PLACED_SYMBOLS(layout, sample, offset) METER_COPY_SYMBOLS(layout##_##sample##_at_##offset)
#define PLACED_SYMBOLS_AT(layout, sample, offset) PLACED_SYMBOLS(layout, sample, offset)
#define LAYOUT(name, kernel, stop, purpose) PLACED_SYMBOLS_AT(name, long, PLACEMENT_OFFSET)
#define BENCH_CASE(layout, sample, kernel, label) SHORT_ROW_##sample(layout)
#define SHORT_ROW_long(layout)
#define SHORT_ROW_short(layout) PLACED_SYMBOLS_AT(layout, short, PLACEMENT_OFFSET)
#include "stats/each_placement.inc"
#undef LAYOUT
#undef SHORT_ROW_short
METER_COPY_SYMBOLS(few_jumps_long_twin)

namespace {

// A meter case's label is the benchmark's report label; the stats tool names its rows by
// layout and sample instead, so each row's label is its name.
#define LAYOUT(name, kernel, stop, purpose) constexpr Text name##_long_label{#name "/long"};
#include "kernels/layouts.def"
#undef LAYOUT
#define SHORT_ROW_short(layout) constexpr Text layout##_short_label{#layout "/short"};
#include "run/bench_cases.def"
#undef SHORT_ROW_short

// The rows' indices: the layouts' long rows, then the short ones.
enum Row : std::size_t {
#define LAYOUT(name, kernel, stop, purpose) name##_long_row,
#include "kernels/layouts.def"
#undef LAYOUT
#define SHORT_ROW_short(layout) layout##_short_row,
#include "run/bench_cases.def"
#undef SHORT_ROW_short
};

}  // namespace

#define PLACED_CASE(layout, sample, offset, runs)                                               \
    {METER_CASE(layout##_##sample##_label, #layout "/" #sample "/offset:" #offset,              \
                layout##_##sample##_at_##offset),                                               \
     layout##_##sample##_row, #layout, #sample, offset, runs},
#define PLACED_CASE_AT(layout, sample, offset, runs) PLACED_CASE(layout, sample, offset, runs)

// A long row's runs are 0 here: stats_long_runs holds them (placed_cases.hpp).
const PlacedCase placed_cases[] = {
#define LAYOUT(name, kernel, stop, purpose) PLACED_CASE_AT(name, long, PLACEMENT_OFFSET, 0)
#define SHORT_ROW_short(layout) PLACED_CASE_AT(layout, short, PLACEMENT_OFFSET, ROUND_RUNS_short)
#include "stats/each_placement.inc"
#undef LAYOUT
#undef SHORT_ROW_short
};
#undef BENCH_CASE
#undef SHORT_ROW_long

const PlacedCase twin_case{METER_CASE(few_jumps_long_label, "few_jumps/long/offset:0/twin", few_jumps_long_twin),
                           few_jumps_long_row, "few_jumps", "long", 0, 0};

std::uint32_t long_runs_for(std::size_t text_length) {
    // A thousand runs for the 499 bytes of the long sample and its terminator; as many
    // bytes a call for any other text, and at least one run.
    const std::uint64_t bytes = std::uint64_t{ROUND_RUNS_long} * 500;
    const std::uint64_t runs = (bytes + (text_length + 1) / 2) / (text_length + 1);
    return runs < 1 ? 1 : static_cast<std::uint32_t>(runs);
}
