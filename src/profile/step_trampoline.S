// The way into and out of single-stepped code (single_step.cpp).
#include "platform_asm.h"

        .intel_syntax noprefix

        .data
        .balign 4
.Lsaved_esp:
        .long 0

        .text
        .globl SYM(step_from_jump), SYM(step_landing)
// void step_from(const unsigned char* entry), C calling convention.
// Saves EBX, ESI, EDI and EBP on the stack and the stack pointer in .Lsaved_esp, sets
// the trap flag with popfd and jumps to the entry. The trap comes after the instruction
// that follows the popfd, so the first one stops at the entry itself. A handler ends the
// stepping by clearing the flag and resuming at step_landing, from wherever the stepped
// code is: the stack pointer is taken back from .Lsaved_esp, not trusted.
// Changes EAX, ECX, EDX and the flags; the stepped code may change them too.
        .p2align 4
FUNC_START(SYM(step_from))
        push  ebx
        push  esi
        push  edi
        push  ebp
        mov   [.Lsaved_esp], esp
        mov   eax, [esp + 20]           // entry
        pushfd
        or    dword ptr [esp], 0x100    // the trap flag
        popfd
SYM(step_from_jump):
        jmp   eax
SYM(step_landing):
        mov   esp, [.Lsaved_esp]
        pop   ebp
        pop   edi
        pop   esi
        pop   ebx
        ret
FUNC_END(SYM(step_from))

        NO_EXEC_STACK
