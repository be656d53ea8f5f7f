// Test copies of the kernels, laid out from the very macros the benchmark uses, over a
// writable buffer instead of a sample, each wrapped in a routine the tests can call.
//
// uint32_t scan_<layout>(void), one per layout of the layout list: runs the copy once over test_text and gives its
// scan_length, or 0xFFFFFFFF when the copy broke its contract: changed a register other
// than ESI and EAX (EBX, ECX, EDX, EDI and EBP, whole, are set to marks before the run and
// compared after it) or moved the stack pointer.
#include "platform_asm.h"
#include "kernels/scan_kernels.inc"

        .intel_syntax noprefix

// Room for the longest test text, its terminator and the zero byte the pair-step kernel
// may read after it. The tests clear it before every text.
#define TEST_TEXT_BYTES 4096

        .data
        .balign 16
DATA_START(SYM(test_text))
        .zero TEST_TEXT_BYTES
DATA_END(SYM(test_text))
DATA_START(SYM(test_text_bytes))
        .long TEST_TEXT_BYTES
DATA_END(SYM(test_text_bytes))
        .balign 8
.Lstack_mark:
        .quad 0

.macro TEST_COPY name, kernel
        .text
        .p2align 4
FUNC_START(\name)
        SAVE_CALLEE_SAVED
        mov   WBX, 0x11111111
        mov   WCX, 0x22222222
        mov   WDX, 0x33333333
        mov   WDI, 0x44444444
        mov   WBP, 0x55555555
        mov   MEM(.Lstack_mark), WSP
        \kernel SYM(test_text), .Lentry\@, .Lexit\@
        cmp   WBX, 0x11111111
        jne   .Lbroken\@
        cmp   WCX, 0x22222222
        jne   .Lbroken\@
        cmp   WDX, 0x33333333
        jne   .Lbroken\@
        cmp   WDI, 0x44444444
        jne   .Lbroken\@
        cmp   WBP, 0x55555555
        jne   .Lbroken\@
        cmp   WSP, MEM(.Lstack_mark)
        jne   .Lbroken\@
        mov   eax, esi
        jmp   .Ldone\@
.Lbroken\@:
        mov   eax, -1
.Ldone\@:
        RESTORE_CALLEE_SAVED
        ret
FUNC_END(\name)
.endm

// One test copy per layout, from its kernel macro.
#define LAYOUT(name, kernel, stop, purpose) TEST_COPY SYM(scan_##name), kernel
#include "kernels/layouts.def"

        NO_EXEC_STACK
