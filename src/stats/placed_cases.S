// The stats tool's kernel copies: every layout of the layout list (kernels/layouts.def) over
// the tools' text (profile/tool_text.S: the long sample, or the user's --text), and the
// benchmark's short-sample rows (run/bench_cases.def) over the short sample, each laid out
// four times, with its kernel's entry at offset 0, 16, 32 and 48 of its 64-byte line, each
// copy in a meter instance of its own (the meter checks the offset). The order, offset by
// offset, is placed_cases.cpp's.
// The runs per call: the short rows' ROUND_RUNS_short (round_runs.h); the layouts' from
// stats_long_runs, which the tool sets from the text's length before it measures, so that a
// call takes about as long whatever the text. The divisor is 1, so that meter_result holds
// the call's net ticks, not a per-run figure rounded to whole ticks (the tool divides).
// Symbols: measure_<layout>_<sample>_at_<offset>, and _entry, _exit, _code_bytes.
#include "platform_asm.h"
#include "meter/cycle_meter.inc"
#include "kernels/scan_kernels.inc"
#include "stats/round_runs.h"

        .data
        .balign 4
DATA_START(SYM(stats_long_runs))
        .long ROUND_RUNS_long
DATA_END(SYM(stats_long_runs))

#define PLACED_INSTANCE(layout, sample, kernel, scanned, offset, runs, runs_from)              \
        METER_INSTANCE SYM(measure_##layout##_##sample##_at_##offset), kernel, scanned,      \
                       SYM(layout##_##sample##_at_##offset##_entry),                         \
                       SYM(layout##_##sample##_at_##offset##_exit),                          \
                       SYM(layout##_##sample##_at_##offset##_code_bytes), short, offset,    \
                       runs, 1, runs_from
// The offset goes through one more macro so that PLACEMENT_OFFSET is replaced by its
// value before it is pasted into the names. Each instance (under 400 bytes) starts a
// 512-byte slot of its own, so that no kernel straddles a 4-KiB page boundary: under
// qemu's emulator a copy that did ran several times slower, an effect of the page and
// not of the line offset this sweep is about.
#define PLACED_AT(layout, sample, kernel, scanned, offset, runs, runs_from)                  \
        .text;                                                                                 \
        .p2align 9;                                                                            \
        PLACED_INSTANCE(layout, sample, kernel, scanned, offset, runs, runs_from)
#define LAYOUT(name, kernel, stop, purpose) \
        PLACED_AT(name, long, kernel, SYM(tool_text), PLACEMENT_OFFSET, 1, SYM(stats_long_runs))
// The benchmark's long rows are the layout list's; its short ones are laid here.
#define BENCH_CASE(layout, sample, kernel, label) SHORT_ROW_##sample(layout, kernel)
#define SHORT_ROW_long(layout, kernel)
#define SHORT_ROW_short(layout, kernel) \
        PLACED_AT(layout, short, kernel, SYM(short_sample), PLACEMENT_OFFSET, ROUND_RUNS_short, )

#include "stats/each_placement.inc"

// The A/A control's twin: few_jumps/long at offset 0 once more, in a slot of its own after
// all the others: the same bytes at the same line offset, at another address.
        .text
        .p2align 9
        METER_INSTANCE SYM(measure_few_jumps_long_twin), KERNEL_FEW_JUMPS, SYM(tool_text),      \
                       SYM(few_jumps_long_twin_entry), SYM(few_jumps_long_twin_exit),         \
                       SYM(few_jumps_long_twin_code_bytes), short, 0, 1, 1, SYM(stats_long_runs)

        NO_EXEC_STACK
