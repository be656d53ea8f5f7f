// The two sample texts the kernels scan, at the start of the program's static data.
//
// long_sample: 55 number literals back to back, 499 characters and a NUL: four times
//   (ten "1234.567h" and one "1234.5678h"), then eleven "1234.567h".
// short_sample: "1234.567h" and a NUL, 512 bytes after long_sample.
// Zero bytes follow each terminator. The pair-step kernel reads two bytes at a time and
// may read one past the terminator, and the zero tail gives it that byte.
#include "platform_asm.h"

        .data
        .balign 4096
DATA_START(SYM(long_sample))
        .rept 4
        .rept 10
        .ascii "1234.567h"
        .endr
        .ascii "1234.5678h"
        .endr
        .rept 11
        .ascii "1234.567h"
        .endr
.Llong_end:
        .byte 0
        .if .Llong_end - SYM(long_sample) != 499
        .error "long_sample must hold 499 characters"
        .endif
        .zero SYM(long_sample) + 512 - .
DATA_END(SYM(long_sample))

DATA_START(SYM(short_sample))
        .ascii "1234.567h"
        .byte 0
        .zero 6
DATA_END(SYM(short_sample))

        NO_EXEC_STACK
