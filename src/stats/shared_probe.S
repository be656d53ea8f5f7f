// The shared-processor probe's two meter instances: a chain of taken jumps, which a core
// shared with another thread runs about half as fast (the front end is shared), and the
// self-check's chain of dependent adds, which the other thread hardly slows (one cycle
// per add either way). Their ratio says, without any fast stretch to compare with,
// whether the core was shared while they ran (shared_probe.hpp).
//
// Both take the near jump back (their kernels are beyond a short jump) and divisor 1:
// meter_result keeps the net ticks of all the runs.
#include "platform_asm.h"
#include "meter/cycle_meter.inc"
#include "kernels/synthetic_kernels.inc"
#include "stats/shared_probe.h"

// KERNEL_JUMP_CHAIN sample, entry, exit: the entry, then PROBE_JUMPS taken jumps, each to
// the next, 16 bytes apart (the bytes between them are never run), then the exit step.
// ESI ends as the add chain's: 0.
.macro KERNEL_JUMP_CHAIN sample, entry, exit
\entry:
        .byte 0xBE                      // mov esi, sample
        ABS32_OPERAND \sample
        .rept PROBE_JUMPS
        .byte 0xEB, 0x0E                // jmp +14 (the next jump)
        .fill 14, 1, 0xCC               // int3, never reached
        .endr
\exit:
        .byte 0x81, 0xEE                // sub esi, sample
        ABS32_OPERAND \sample
        .if \exit - \entry != 5 + 16 * PROBE_JUMPS
        .error "jump chain size differs from its jump count"
        .endif
.endm

.macro KERNEL_PROBE_ADDS sample, entry, exit
        KERNEL_ADD_CHAIN \sample, \entry, \exit, PROBE_ADDS
.endm

        METER_INSTANCE SYM(measure_probe_jumps), KERNEL_JUMP_CHAIN, SYM(long_sample), \
                       SYM(probe_jumps_entry), SYM(probe_jumps_exit), SYM(probe_jumps_code_bytes), \
                       near, , PROBE_JUMP_RUNS, 1
        METER_INSTANCE SYM(measure_probe_adds), KERNEL_PROBE_ADDS, SYM(long_sample), \
                       SYM(probe_adds_entry), SYM(probe_adds_exit), SYM(probe_adds_code_bytes), \
                       near, , PROBE_ADD_RUNS, 1

        NO_EXEC_STACK
