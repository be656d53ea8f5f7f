// The benchmark's kernel copies, each laid inline in a meter instance of its own, in the
// order of the case table (bench_cases.cpp). A copy's entry and exit labels are global
// symbols, so that the program's own listing can find the measured code.
#include "platform_asm.h"
#include "meter/cycle_meter.inc"

// BENCH_COPY(copy, kernel, sample) gives measure_<copy>, <copy>_entry, <copy>_exit and
// <copy>_code_bytes.
#define BENCH_COPY(copy, kernel, sample)                                              \
        METER_INSTANCE SYM(measure_##copy), kernel, SYM(sample), SYM(copy##_entry),   \
                       SYM(copy##_exit), SYM(copy##_code_bytes)

BENCH_COPY(few_jumps_long, KERNEL_FEW_JUMPS, long_sample)
BENCH_COPY(many_jumps_long, KERNEL_MANY_JUMPS, long_sample)
BENCH_COPY(pair_step_long, KERNEL_PAIR_STEP, long_sample)
BENCH_COPY(elseif_long, KERNEL_ELSEIF, long_sample)
BENCH_COPY(switch_long, KERNEL_SWITCH, long_sample)
BENCH_COPY(few_jumps_short, KERNEL_FEW_JUMPS, short_sample)
BENCH_COPY(many_jumps_short, KERNEL_MANY_JUMPS, short_sample)

        NO_EXEC_STACK
