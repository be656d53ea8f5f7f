// The benchmark's kernel copies, each laid inline in a meter instance of its own, in the
// order of the case table (bench_cases.def). A copy's entry and exit labels are global
// symbols, so that the program's own listing can find the measured code.
#include "platform_asm.h"
#include "meter/cycle_meter.inc"
#include "kernels/scan_kernels.inc"

// One line of the list gives measure_<copy>, <copy>_entry, <copy>_exit and
// <copy>_code_bytes, where the copy is <layout>_<sample>.
#define BENCH_CASE(layout, sample, kernel, label)                                          \
        METER_INSTANCE SYM(measure_##layout##_##sample), kernel, SYM(sample##_sample),    \
                       SYM(layout##_##sample##_entry), SYM(layout##_##sample##_exit),     \
                       SYM(layout##_##sample##_code_bytes)
// The first instance starts a 64-byte line, so that every copy's place in its lines (and
// with it how the processor fetches it) follows from this file alone, whatever the linker
// lays before it.
        .text
        .p2align 6
#include "run/bench_cases.def"

        NO_EXEC_STACK
