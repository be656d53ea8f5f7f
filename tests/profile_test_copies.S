// Code for the profile tests to step: never called, only entered by the stepper.
//
// unknown_form_<n>: mov esi, profile_text; inc esi; then an instruction form the kernels
//   never use; then the exit step. <copy>_unknown labels the foreign form, <copy>_stop the
//   end. Stepping must stop before the foreign form runs: several of them (ret, call, the
//   near jumps) would leave the code if they did.
// zero_displacement: mov esi, profile_text; mov al, [esi]; cmp al, 'A'; jne +0; the exit
//   step. The jne lands on the next instruction taken or not, so only the flags tell.
#include "platform_asm.h"
#include "kernels/x86_mode.inc"

        .data
        .balign 16
DATA_START(SYM(profile_text))
        .zero 16
DATA_END(SYM(profile_text))

.macro UNKNOWN_FORM_COPY name, form:vararg
        .text
        .globl SYM(\name), SYM(\name\()_unknown), SYM(\name\()_stop)
SYM(\name):
        .byte 0xBE                      // mov esi, profile_text
        .long SYM(profile_text)
        INC_ESI
SYM(\name\()_unknown):
        .byte \form
        .byte 0x81, 0xEE                // sub esi, profile_text
        .long SYM(profile_text)
SYM(\name\()_stop):
        .byte 0xC3                      // ret (never reached)
.endm

        UNKNOWN_FORM_COPY unknown_form_0, 0x90                          // nop
        UNKNOWN_FORM_COPY unknown_form_1, 0xC3                          // ret
        UNKNOWN_FORM_COPY unknown_form_2, 0xE8, 0x00, 0x00, 0x00, 0x00  // call +0
        UNKNOWN_FORM_COPY unknown_form_3, 0xE9, 0x00, 0x00, 0x00, 0x00  // jmp rel32 +0
        UNKNOWN_FORM_COPY unknown_form_4, 0x0F, 0x85, 0x00, 0x00, 0x00, 0x00  // jne rel32 +0
        UNKNOWN_FORM_COPY unknown_form_5, 0x8A, 0x07                    // mov al, [edi]
        UNKNOWN_FORM_COPY unknown_form_6, 0x3D, 0x30, 0x00, 0x00, 0x00  // cmp eax, imm32
        UNKNOWN_FORM_COPY unknown_form_7, 0xE2, 0xFE                    // loop -2

        .text
        .globl SYM(zero_displacement), SYM(zero_displacement_stop)
SYM(zero_displacement):
        .byte 0xBE                      // mov esi, profile_text
        .long SYM(profile_text)
        .byte 0x8A, 0x06                // mov al, [esi]
        .byte 0x3C, 0x41                // cmp al, 'A'
        .byte 0x75, 0x00                // jne +0
        .byte 0x81, 0xEE                // sub esi, profile_text
        .long SYM(profile_text)
SYM(zero_displacement_stop):
        .byte 0xC3                      // ret (never reached)

// front_end: at the start of a 64-byte line, straight-line code whose jumps lie where the
//   front end's counts tell them apart (the same bytes in both modes):
//     0  mov esi; 5 .. 29 thirteen mov al, [esi]; 31 jmp +0 (crosses 32);
//    33 .. 59 fourteen mov al, [esi]; 61 cmp al, 'A'; 63 jne +0 (crosses 64);
//    65 mov esi; 70 .. 92 twelve mov al, [esi]; 94 jmp +0 (ends on 96); 96 the exit step.
        .text
        .p2align 6
        .globl SYM(front_end), SYM(front_end_stop)
SYM(front_end):
        .byte 0xBE                      // mov esi, profile_text
        .long SYM(profile_text)
        .rept 13
        .byte 0x8A, 0x06                // mov al, [esi]
        .endr
        .byte 0xEB, 0x00                // jmp +0
        .rept 14
        .byte 0x8A, 0x06                // mov al, [esi]
        .endr
        .byte 0x3C, 0x41                // cmp al, 'A'
        .byte 0x75, 0x00                // jne +0
        .byte 0xBE                      // mov esi, profile_text
        .long SYM(profile_text)
        .rept 12
        .byte 0x8A, 0x06                // mov al, [esi]
        .endr
        .byte 0xEB, 0x00                // jmp +0
        .if . - SYM(front_end) != 96
        .error "front_end's exit step must lie at 96"
        .endif
        .byte 0x81, 0xEE                // sub esi, profile_text
        .long SYM(profile_text)
SYM(front_end_stop):
        .byte 0xC3                      // ret (never reached)

        NO_EXEC_STACK
