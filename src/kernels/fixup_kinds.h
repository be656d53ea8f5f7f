// The kinds of address a laid-out copy carries, as its fix-up table records them
// (kernels/fixups.inc writes the table, meter/copy_unit.hpp reads it). Every field is 32
// bits. A copy laid afresh elsewhere keeps its bytes but for these fields; `moved` below is
// the new address minus the built one, of the copy's code or of its own data.
#pragma once

// The absolute address of something that stays where it was built (a sample text, the
// meter's variables in 32-bit mode): the field keeps its value.
#define FIXUP_ABS32_OUT 1
// A displacement from the end of its instruction to something that stays (the meter's
// variables in 64-bit mode, a call out of the copy): the field less the code's move.
#define FIXUP_REL32_OUT 2
// In the code, the absolute address of a place in the copy's own data (a kernel's table):
// the field plus the data's move.
#define FIXUP_ABS32_DATA 3
// In the copy's own data, the absolute address of a place in its code (a jump table's
// entry): the field plus the code's move.
#define FIXUP_DATA_ABS32_CODE 4
