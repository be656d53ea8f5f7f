// The self-check's kernel copies, each laid inline in a meter instance of its own, in the
// order of its case table (selfcheck_cases.cpp). The kernels read nothing; long_sample
// only gives the immediates of their entry and exit step.
//
// The empty kernel runs in a meter instance exactly like the benchmark's, with the short
// jump back, so that its figure is what the benchmark's own calibration leaves over
// nothing. The chains (1505 bytes and more) are beyond a short jump and take the near
// jump back in both loops.
#include "platform_asm.h"
#include "meter/cycle_meter.inc"
#include "kernels/synthetic_kernels.inc"

// SELFCHECK_COPY(copy, kernel, loop_back) gives measure_<copy>, <copy>_entry, <copy>_exit
// and <copy>_code_bytes.
#define SELFCHECK_COPY(copy, kernel, loop_back)                                             \
        METER_INSTANCE SYM(measure_##copy), kernel, SYM(long_sample), SYM(copy##_entry),    \
                       SYM(copy##_exit), SYM(copy##_code_bytes), loop_back

SELFCHECK_COPY(empty_kernel, KERNEL_EMPTY, short)
SELFCHECK_COPY(add_chain_500, KERNEL_ADD_CHAIN_500, near)
SELFCHECK_COPY(add_chain_1000, KERNEL_ADD_CHAIN_1000, near)
SELFCHECK_COPY(add_chain_2000, KERNEL_ADD_CHAIN_2000, near)

        NO_EXEC_STACK
