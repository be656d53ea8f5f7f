#include "stats/placed_cases.hpp"

#include "console/console.hpp"
#include "stats/round_runs.h"

#define PLACED_SYMBOLS(layout, sample, offset) METER_COPY_SYMBOLS(layout##_##sample##_at_##offset)
#define PLACED_SYMBOLS_AT(layout, sample, offset) PLACED_SYMBOLS(layout, sample, offset)
#define BENCH_CASE(layout, sample, kernel, label) \
    PLACED_SYMBOLS_AT(layout, sample, PLACEMENT_OFFSET)
#include "stats/each_placement.inc"
#undef BENCH_CASE
METER_COPY_SYMBOLS(few_jumps_long_twin)

namespace {

#define BENCH_CASE(layout, sample, kernel, label) \
    constexpr Text layout##_##sample##_label{label};
#include "run/bench_cases.def"
#undef BENCH_CASE

// The rows' indices in the case table, by copy.
enum Row : std::size_t {
#define BENCH_CASE(layout, sample, kernel, label) layout##_##sample##_row,
#include "run/bench_cases.def"
#undef BENCH_CASE
};

}  // namespace

#define PLACED_CASE(layout, sample, offset)                                                     \
    {METER_CASE(layout##_##sample##_label, #layout "/" #sample "/offset:" #offset,              \
                layout##_##sample##_at_##offset),                                               \
     layout##_##sample##_row, #layout, #sample, offset, ROUND_RUNS_##sample},
#define PLACED_CASE_AT(layout, sample, offset) PLACED_CASE(layout, sample, offset)

const PlacedCase placed_cases[] = {
#define BENCH_CASE(layout, sample, kernel, label) PLACED_CASE_AT(layout, sample, PLACEMENT_OFFSET)
#include "stats/each_placement.inc"
#undef BENCH_CASE
};

const PlacedCase twin_case{METER_CASE(few_jumps_long_label, "few_jumps/long/offset:0/twin", few_jumps_long_twin),
                           few_jumps_long_row, "few_jumps", "long", 0, ROUND_RUNS_long};
