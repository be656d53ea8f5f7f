// The cycle meter's state as C++ sees it (cycle_meter.S). A meter instance is a routine
// of its own per kernel copy (see meter/bench_case.hpp); it leaves its figure here.
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

// The figure the reports show: the low 32 bits of the last ticks per run, read as signed.
inline std::int32_t shown_ticks() {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(meter_result));
}
