// The stats tool's kernel copies: every row of the benchmark's case table (bench_cases.def)
// laid out four times, with its kernel's entry at offset 0, 16, 32 and 48 of its 64-byte
// line, each copy in a meter instance of its own (the meter checks the offset). The order,
// offset by offset, is placed_cases.cpp's.
// The copies are the benchmark's kernel macros over the same samples: only their place
// differs, and their runs per call, ROUND_RUNS_<sample> (round_runs.h), and their
// divisor: 1, so that meter_result holds the call's net ticks, not a per-run figure
// rounded to whole ticks (the tool divides). Symbols:
// measure_<layout>_<sample>_at_<offset>, and _entry, _exit, _code_bytes.
#include "platform_asm.h"
#include "meter/cycle_meter.inc"
#include "kernels/scan_kernels.inc"
#include "stats/round_runs.h"

#define PLACED_INSTANCE(layout, sample, kernel, offset)                                      \
        METER_INSTANCE SYM(measure_##layout##_##sample##_at_##offset), kernel,               \
                       SYM(sample##_sample), SYM(layout##_##sample##_at_##offset##_entry),  \
                       SYM(layout##_##sample##_at_##offset##_exit),                         \
                       SYM(layout##_##sample##_at_##offset##_code_bytes), short, offset,   \
                       ROUND_RUNS_##sample, 1
// The offset goes through one more macro so that PLACEMENT_OFFSET is replaced by its
// value before it is pasted into the names. Each instance (under 400 bytes) starts a
// 512-byte slot of its own, so that no kernel straddles a 4-KiB page boundary: under
// qemu's emulator a copy that did ran several times slower, an effect of the page and
// not of the line offset this sweep is about.
#define PLACED_AT(layout, sample, kernel, offset)                                             \
        .text;                                                                                 \
        .p2align 9;                                                                            \
        PLACED_INSTANCE(layout, sample, kernel, offset)
#define BENCH_CASE(layout, sample, kernel, label) \
        PLACED_AT(layout, sample, kernel, PLACEMENT_OFFSET)

#include "stats/each_placement.inc"

// The A/A control's twin: few_jumps/long at offset 0 once more, in a slot of its own after
// all the others: the same bytes at the same line offset, at another address.
        .text
        .p2align 9
        METER_INSTANCE SYM(measure_few_jumps_long_twin), KERNEL_FEW_JUMPS, SYM(long_sample),    \
                       SYM(few_jumps_long_twin_entry), SYM(few_jumps_long_twin_exit),         \
                       SYM(few_jumps_long_twin_code_bytes), short, 0, ROUND_RUNS_long, 1

        NO_EXEC_STACK
