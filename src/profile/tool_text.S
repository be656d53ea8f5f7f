// The tools' own text and a kernel copy of every layout over it (kernels/layouts.def).
//
// tool_text: room for the longest text the tools take (TOOL_TEXT_MAX_BYTES, tool_text.h),
//   its terminator and the byte after it, which the pair-step kernel may read. In the
//   zero-initialised data, below 2 GiB in every build, as the copies' 32-bit address
//   immediates need.
// <layout>_text_entry, _exit, _code_bytes: the copy, laid from the layout's macro, each
//   at the start of a 64-byte line; never called, only entered by the profile's stepper
//   (the ret after the exit step is where stepping stops).
#include "platform_asm.h"
#include "kernels/scan_kernels.inc"
#include "profile/tool_text.h"

        .bss
        .balign 4096
DATA_START(SYM(tool_text))
        .zero TOOL_TEXT_MAX_BYTES + 64
DATA_END(SYM(tool_text))

.macro TEXT_COPY layout, kernel
        .text
        .p2align 6
        .globl SYM(\layout\()_text_entry), SYM(\layout\()_text_exit)
        \kernel SYM(tool_text), SYM(\layout\()_text_entry), SYM(\layout\()_text_exit)
        .byte 0xC3                      // ret (never reached)
        .data
        .balign 4
DATA_START(SYM(\layout\()_text_code_bytes))
        .long SYM(\layout\()_text_exit) - SYM(\layout\()_text_entry)
DATA_END(SYM(\layout\()_text_code_bytes))
.endm

#define LAYOUT(name, kernel, stop, purpose) TEXT_COPY name, kernel
#include "kernels/layouts.def"

        NO_EXEC_STACK
