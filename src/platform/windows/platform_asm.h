// Assembler markers for PE/COFF i386 (Windows). The Linux build has a header of the same
// name for ELF.
//
// On 32-bit Windows a C name gets a leading underscore, and a stdcall routine's name is
// decorated with the bytes of arguments it pops: GetCurrentProcess is
// _GetCurrentProcess@0 in the import library. On x86-64 Windows names are plain (the mode
// layer calls the routines by SYM there). COFF has no .type, .size or stack note.
#pragma once

// A C-visible symbol as the assembler must spell it: the compiler's own user label prefix,
// "_" on i686 and none on x86-64.
#define SYM_PASTE(prefix, name) prefix##name
#define SYM_WITH(prefix, name) SYM_PASTE(prefix, name)
#define SYM(name) SYM_WITH(__USER_LABEL_PREFIX__, name)
// A stdcall routine taking `bytes` bytes of arguments: _name@bytes. The @ stands beside
// the expansion of SYM in the replacement list; no token is pasted with it.
#define STDCALL(name, bytes) SYM(name)@bytes

#define FUNC_START(name) .globl name; name:
#define FUNC_END(name)
#define DATA_START(name) .globl name; name:
#define DATA_END(name)

// Only ELF marks whether the stack must be executable.
#define NO_EXEC_STACK

// Data laid out in the middle of code (a kernel's own table): COFF's assembler keeps no
// section stack, and every kernel copy lies in .text, so the way back is .text.
#define DATA_SECTION_PUSH .data
#define DATA_SECTION_POP .text

// The section of the laid-out units' fix-up tables (kernels/fixups.inc), and the way back
// to the section the address field was written in, `back`: .text or .data.
#define FIXUP_SECTION_PUSH .section .rdata$unit_fixups, "dr"
#define FIXUP_SECTION_POP(back) back
