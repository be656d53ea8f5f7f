// Assembler markers for ELF i386. The Windows build has a header of the same name that
// adds the leading underscore of i686 Windows symbols, decorates stdcall names and drops
// what PE/COFF does not know (.type, .size, the stack note).
#pragma once

// A C-visible symbol as the assembler must spell it.
#define SYM(name) name
// A stdcall routine taking `bytes` bytes of arguments (undecorated on ELF).
#define STDCALL(name, bytes) name

#define FUNC_START(name) .globl name; .type name, @function; name:
#define FUNC_END(name) .size name, . - name
#define DATA_START(name) .globl name; .type name, @object; name:
#define DATA_END(name) .size name, . - name

// The assembly needs no executable stack.
#define NO_EXEC_STACK .section .note.GNU-stack, "", @progbits

// Data laid out in the middle of code (a kernel's own table): into the data section and
// back to the section the code was in.
#define DATA_SECTION_PUSH .pushsection .data
#define DATA_SECTION_POP .popsection

// The section of the laid-out units' fix-up tables (kernels/fixups.inc), and the way back
// to the section the address field was written in (`back`, which COFF needs).
#define FIXUP_SECTION_PUSH .pushsection .rodata.unit_fixups, "a"
#define FIXUP_SECTION_POP(back) .popsection
