// Code for the profile tests to step: never called, only entered by the stepper.
//
// stepped_form_<n>: mov esi, profile_text; inc esi; then one instruction; then the exit
//   step. <copy>_form labels the instruction, <copy>_stop the end. Some the stepper must
//   refuse before they run (they would leave the code or fault, or no decoder knows them),
//   some it must count (forms no built-in layout uses).
// zero_displacement: mov esi, profile_text; mov al, [esi]; cmp al, 'A'; jne +0; the exit
//   step. The jne lands on the next instruction taken or not, so only the flags tell.
// range_copy_<n>: a layout of forms the built-in ones never use (sub al, imm8; ja; an
//   eight-byte bt against a mask in memory; jc), worked out by hand in profile_test.cpp.
#include "platform_asm.h"
#include "kernels/x86_mode.inc"
#include "kernels/short_jump.inc"

        .data
        .balign 16
DATA_START(SYM(profile_text))
        .zero 16
DATA_END(SYM(profile_text))
DATA_START(SYM(range_text))
        .asciz "(A)z"
DATA_END(SYM(range_text))
        .balign 4
// Bits 0 and 1: '(' and ')' after sub al, '('; room for the 0x52 bits that cmp al, 0x51
// lets through.
.Lrange_mask:
        .byte 0x03
        .zero 15

.macro STEPPED_FORM_COPY name, form:vararg
        .text
        .globl SYM(\name), SYM(\name\()_form), SYM(\name\()_stop)
SYM(\name):
        .byte 0xBE                      // mov esi, profile_text
        .long SYM(profile_text)
        INC_ESI
SYM(\name\()_form):
        .byte \form
        .byte 0x81, 0xEE                // sub esi, profile_text
        .long SYM(profile_text)
SYM(\name\()_stop):
        .byte 0xC3                      // ret (never reached)
.endm

        // Refused.
        STEPPED_FORM_COPY stepped_form_0, 0xC3                          // ret, no call before it
        STEPPED_FORM_COPY stepped_form_1, 0xCC                          // int3
        STEPPED_FORM_COPY stepped_form_2, 0x0F, 0x0B                    // ud2
        STEPPED_FORM_COPY stepped_form_3, 0xF4                          // hlt
        STEPPED_FORM_COPY stepped_form_4, 0x0F, 0x0A                    // no instruction
        STEPPED_FORM_COPY stepped_form_5, 0xEB, 0xFE                    // jmp to itself
        // Counted.
        STEPPED_FORM_COPY stepped_form_6, 0x90                          // nop
        STEPPED_FORM_COPY stepped_form_7, 0xE8, 0x00, 0x00, 0x00, 0x00  // call +0
        STEPPED_FORM_COPY stepped_form_8, 0xE9, 0x00, 0x00, 0x00, 0x00  // jmp rel32 +0
        STEPPED_FORM_COPY stepped_form_9, 0x0F, 0x85, 0x00, 0x00, 0x00, 0x00  // jne rel32 +0
        STEPPED_FORM_COPY stepped_form_10, 0x3D, 0x30, 0x00, 0x00, 0x00 // cmp eax, imm32
        // call +2 (to the ret); jmp +1 (over it, once returned); ret.
        STEPPED_FORM_COPY stepped_form_11, 0xE8, 0x02, 0x00, 0x00, 0x00, 0xEB, 0x01, 0xC3
        // Faults: mov eax, [0] (the absolute form in both modes), a page no process maps.
        STEPPED_FORM_COPY stepped_form_12, 0x8B, 0x04, 0x25, 0x00, 0x00, 0x00, 0x00

// range_copy_<n>, at offset `at` of a 64-byte line, with `above` the opcode of its jump
// over the range (77, ja; the odd copy 73, jae, whose path differs):
//    0 mov esi, range_text; 5 movzx eax, byte [esi]; 8 inc esi; test al, al; je exit;
//      sub al, '('; cmp al, 0x51; ja 5; bt [mask], eax (0F A3 04 25 disp32, the same
//      absolute form in both modes); jc 5; jmp 5; exit: sub esi, range_text.
.macro RANGE_COPY name, at, above
        .text
        .p2align 6
        .if \at
        .skip \at, 0xCC
        .endif
        .globl SYM(\name\()_entry), SYM(\name\()_exit), SYM(\name\()_code_bytes)
SYM(\name\()_entry):
        .byte 0xBE                      // mov esi, range_text
        .long SYM(range_text)
.Lload\@:
        .byte 0x0F, 0xB6, 0x06          // movzx eax, byte [esi]
        INC_ESI
        .byte 0x84, 0xC0                // test al, al
        J8    0x74, SYM(\name\()_exit)  // je  exit
        .byte 0x2C, 0x28                // sub al, '('
        .byte 0x3C, 0x51                // cmp al, 0x51
        J8    \above, .Lload\@         // ja  load
        .byte 0x0F, 0xA3, 0x04, 0x25    // bt  [mask], eax
        .long .Lrange_mask
        J8    0x72, .Lload\@            // jc  load
        J8    0xEB, .Lload\@            // jmp load
SYM(\name\()_exit):
        .byte 0x81, 0xEE                // sub esi, range_text
        .long SYM(range_text)
        .byte 0xC3                      // ret (never reached)
        .data
        .balign 4
DATA_START(SYM(\name\()_code_bytes))
        .long SYM(\name\()_exit) - SYM(\name\()_entry)
DATA_END(SYM(\name\()_code_bytes))
.endm

        RANGE_COPY range_copy_0, 0, 0x77
        RANGE_COPY range_copy_1, 16, 0x77
        RANGE_COPY range_copy_2, 20, 0x77
        RANGE_COPY range_copy_3, 48, 0x77
        RANGE_COPY range_copy_odd, 0, 0x73

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
