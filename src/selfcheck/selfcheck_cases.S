// The self-check's kernel copies, each laid inline in a meter instance of its own, in the
// order of its case table (selfcheck_cases.def). The kernels read nothing; long_sample
// only gives the immediates of their entry and exit step.
//
// The empty kernel runs in a meter instance exactly like the benchmark's, with the short
// jump back, so that its figure is what the benchmark's own calibration leaves over
// nothing. The chains (1505 bytes and more) are beyond a short jump and take the near
// jump back in both loops.
#include "platform_asm.h"
#include "meter/cycle_meter.inc"
#include "kernels/synthetic_kernels.inc"

// One line of the list gives measure_<copy>, <copy>_entry, <copy>_exit and
// <copy>_code_bytes.
#define SELFCHECK_CASE(row, copy, kernel, loop_back, chain_length, label)                 \
        METER_INSTANCE SYM(measure_##copy), kernel, SYM(long_sample), SYM(copy##_entry),   \
                       SYM(copy##_exit), SYM(copy##_code_bytes), loop_back
#include "selfcheck/selfcheck_cases.def"

        NO_EXEC_STACK
