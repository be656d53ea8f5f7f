// The cycle meter's state as C++ sees it (cycle_meter.S). A meter instance is a routine
// of its own per kernel copy (see run/bench_cases.hpp); it leaves its figure here.
#pragma once

#include <cstdint>

#include "meter/loop_count.h"

extern "C" {
// Ticks per run of the last measurement, signed 64-bit. Time-stamp-counter ticks: they
// equal core clock cycles only while the core runs at the counter's nominal rate.
extern std::int64_t meter_result;
extern std::int32_t loop_count;
extern std::uint32_t loop_counter;

// The meter's closing division on a given net tick count: net / LOOP_COUNT, rounded to
// nearest with ties to even, by the same x87 code every meter instance runs.
std::int64_t ticks_per_run(std::int64_t net);
}

// Declares what one meter instance lays out for the kernel copy `copy` (the assembly's
// measure_<copy>, <copy>_code_bytes and <copy>_entry): the routine that measures, gives
// the scan length and leaves the ticks per run in meter_result; the copy's size; its
// first byte.
#define METER_COPY_SYMBOLS(copy)                      \
    extern "C" std::uint32_t measure_##copy();        \
    extern "C" const std::uint32_t copy##_code_bytes; \
    extern "C" const unsigned char copy##_entry[];
