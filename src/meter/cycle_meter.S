// The meter's static state, shared by every meter instance and rewritten by each
// measurement, and the meter's last step as a routine of its own.
#include "platform_asm.h"
#include "meter/cycle_meter.inc"

        .data
        .balign 8
// Net tick count, then ticks per run: signed 64-bit.
DATA_START(SYM(meter_result))
        .quad 0
DATA_END(SYM(meter_result))
// The divisor, set to LOOP_COUNT by every measurement: signed 32-bit.
DATA_START(SYM(loop_count))
        .long 0
DATA_END(SYM(loop_count))
// Counts each loop down from LOOP_COUNT, in memory only.
DATA_START(SYM(loop_counter))
        .long 0
DATA_END(SYM(loop_counter))

// int64_t ticks_per_run(int64_t net)
// The division and rounding that ends every measurement, run on a given net count:
// stores net in meter_result, sets the loop count and divides as a meter instance does.
// Gives the ticks per run in EDX:EAX (RAX in 64-bit mode) and in meter_result. Changes
// EAX, EDX, the x87 unit.
        .text
FUNC_START(SYM(ticks_per_run))
        INT64_ARGUMENT_TO SYM(meter_result)
        mov   dword ptr MEM(SYM(loop_count)), LOOP_COUNT
        DIVIDE_RESULT
        INT64_RESULT_FROM SYM(meter_result)
        ret
FUNC_END(SYM(ticks_per_run))

        NO_EXEC_STACK
