// A meter instance as a unit that can be laid afresh elsewhere: its code (from its routine's
// first byte to its ret, with the kernel copy inline), the copy's own data (a kernel's
// table) if it has any, and every 32-bit address field the two carry. The assembler lays
// one per instance, `<routine>_unit` (meter/cycle_meter.inc, kernels/fixups.inc); nothing
// here is typed in C++.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kernels/fixup_kinds.h"

struct CopyFixup {
    std::uint32_t kind;    // FIXUP_* (kernels/fixup_kinds.h)
    std::uint32_t offset;  // of the field: from the code's start, or for a FIXUP_DATA_ABS32_CODE
                           // from the data's start
};

// Laid out by UNIT_CLOSE (kernels/fixups.inc) in this order.
struct CopyUnit {
    const unsigned char* code;  // the meter instance's routine
    const unsigned char* data;  // the copy's own data, or null
    const CopyFixup* fixups;
    std::uint32_t code_bytes;
    std::uint32_t data_bytes;
    std::uint32_t fixup_count;
};
static_assert(sizeof(CopyUnit) == 3 * sizeof(void*) + 3 * 4 + (sizeof(void*) == 8 ? 4 : 0));
