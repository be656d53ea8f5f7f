// The way into and out of single-stepped code (single_step.cpp).
#include "platform_asm.h"
#include "kernels/x86_mode.inc"

        .intel_syntax noprefix

        .data
        .balign 8
.Lsaved_sp:
        .quad 0
        .globl SYM(step_landing_esi)
DATA_START(SYM(step_landing_esi))
        .long 0
DATA_END(SYM(step_landing_esi))

        .text
        .globl SYM(step_from_jump), SYM(step_landing)
// void step_from(const unsigned char* entry), the platform's C calling convention.
// Saves the callee-saved registers on the stack and the stack pointer in .Lsaved_sp, sets
// the trap flag with a pop of the flags and jumps to the entry. The trap comes after the
// instruction that follows the pop, so the first one stops at the entry itself. A handler
// ends the stepping by clearing the flag and resuming at step_landing, from wherever the
// stepped code is: the stack pointer is taken back from .Lsaved_sp, not trusted. ESI as the
// stepped code left it (a kernel copy's scan length after its exit step) is kept in
// step_landing_esi before the caller's is restored.
// Changes the caller-saved registers and the flags; the stepped code may change them too.
        .p2align 4
FUNC_START(SYM(step_from))
        SAVE_CALLEE_SAVED
        mov   MEM(.Lsaved_sp), WSP
        FIRST_ARGUMENT_AFTER_SAVE       // entry, into WAX
        // A gap between the saved registers and the stepped code's stack: each trap's frame
        // (the signal frame, Windows' exception record and context) is written below the
        // stepped code's stack pointer, and a stepped ret or pop that moves it up (a ret
        // out of the code, which the stepper then refuses) would have that frame overwrite
        // the saved registers. 512 bytes: a multiple of 16, more than a stepped code pops.
        sub   WSP, 512
        PUSH_FLAGS
        or    dword ptr [WSP], 0x100    // the trap flag
        POP_FLAGS
SYM(step_from_jump):
        jmp   WAX
SYM(step_landing):
        mov   dword ptr MEM(SYM(step_landing_esi)), esi
        mov   WSP, MEM(.Lsaved_sp)
        RESTORE_CALLEE_SAVED
        ret
FUNC_END(SYM(step_from))

        NO_EXEC_STACK
