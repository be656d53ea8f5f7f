// One meter instance with its kernel copy inline, as C++ sees it: the row type of the
// benchmark's and the self-check's case tables, and what the tools read.
#pragma once

#include <cstdint>

#include "meter/copy_unit.hpp"

struct BenchCase {
    const char* label;  // written after the tick figure; a console Text
    const char* name;   // the copy's name for tools and tests: "few_jumps/long"
    // The meter instance: measures, leaves the ticks per run in meter_result and gives
    // the scan_length of the copy's last run.
    std::uint32_t (*measure_cycles)();
    const std::uint32_t* code_bytes;  // exit - entry of the copy, from the assembler
    const unsigned char* entry;       // the copy's first instruction
    const unsigned char* exit;        // the copy's exit step, right after its last instruction
    // The instance as a unit to lay afresh elsewhere (meter/laid_copies.hpp); null for a copy
    // that is itself laid afresh, or whose table does not name it.
    const CopyUnit* unit = nullptr;
};

// Declares what one meter instance lays out for the kernel copy `copy`: measure_<copy>,
// <copy>_code_bytes, <copy>_entry, <copy>_exit and measure_<copy>_unit (cycle_meter.inc).
#define METER_COPY_SYMBOLS(copy)                      \
    extern "C" std::uint32_t measure_##copy();        \
    extern "C" const std::uint32_t copy##_code_bytes; \
    extern "C" const unsigned char copy##_entry[];    \
    extern "C" const unsigned char copy##_exit[];     \
    extern "C" const CopyUnit measure_##copy##_unit;

// The BenchCase of the copy `copy`, with `label` a console Text and `name` a string.
#define METER_CASE(label, name, copy)                                                 \
    {label.bytes, name, measure_##copy, &copy##_code_bytes, copy##_entry, copy##_exit, \
     &measure_##copy##_unit}
