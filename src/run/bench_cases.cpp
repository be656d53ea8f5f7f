#include "run/bench_cases.hpp"

#include "kernels/samples.hpp"
#include "meter/cycle_meter.hpp"
#include "run/console.hpp"

// The routines and labels that the assembly lays out, one set per kernel copy.
METER_COPY_SYMBOLS(few_jumps_long)
METER_COPY_SYMBOLS(many_jumps_long)
METER_COPY_SYMBOLS(pair_step_long)
METER_COPY_SYMBOLS(elseif_long)
METER_COPY_SYMBOLS(switch_long)
METER_COPY_SYMBOLS(few_jumps_short)
METER_COPY_SYMBOLS(many_jumps_short)

namespace {

// "few" has two blanks before it so that both jump-chain labels are 20 characters long.
constexpr Text FEW_JUMPS_LABEL{"\tcycles  few jumps, "};
constexpr Text MANY_JUMPS_LABEL{"\tcycles many jumps, "};
constexpr Text PAIR_STEP_LABEL{"\tcycles many + xchg al, ah, "};
constexpr Text ELSEIF_LABEL{"\tcycles elseif jumps, "};
constexpr Text SWITCH_LABEL{"\tcycles Switch, "};

}  // namespace

#define BENCH_ROW(label, copy, sample) \
    {label.bytes, measure_##copy, &copy##_code_bytes, sample, copy##_entry}

// Five layouts over the long sample, then the two jump chains again over the short one.
const BenchCase bench_cases[] = {
    BENCH_ROW(FEW_JUMPS_LABEL, few_jumps_long, long_sample),
    BENCH_ROW(MANY_JUMPS_LABEL, many_jumps_long, long_sample),
    BENCH_ROW(PAIR_STEP_LABEL, pair_step_long, long_sample),
    BENCH_ROW(ELSEIF_LABEL, elseif_long, long_sample),
    BENCH_ROW(SWITCH_LABEL, switch_long, long_sample),
    BENCH_ROW(FEW_JUMPS_LABEL, few_jumps_short, short_sample),
    BENCH_ROW(MANY_JUMPS_LABEL, many_jumps_short, short_sample),
};
