// The case table: what the benchmark measures, in run and report order.
#pragma once

#include <cstddef>
#include <cstdint>

struct BenchCase {
    const char* label;  // written after the tick figure; a console Text
    // The row's meter instance with its own kernel copy inline: measures, leaves the ticks
    // per run in meter_result and gives the scan_length of the copy's last run.
    std::uint32_t (*measure_cycles)();
    const std::uint32_t* code_bytes;  // exit - entry of the row's copy, from the assembler
    const char* sample;               // the text the copy scans (its address is in the code)
    const unsigned char* entry;       // the copy's first byte
};

inline constexpr std::size_t BENCH_CASE_COUNT = 7;
extern const BenchCase bench_cases[BENCH_CASE_COUNT];
