// The self-check's case table: the synthetic kernels it times, in run and report order.
#pragma once

#include <cstddef>
#include <cstdint>

struct SelfcheckCase {
    const char* label;  // written after the tick figure; a console Text
    // The row's meter instance with its kernel copy inline: measures, leaves the ticks per
    // run in meter_result and gives the scan_length of the copy's last run (always 0).
    std::uint32_t (*measure_ticks)();
    const std::uint32_t* code_bytes;  // exit - entry of the row's copy, from the assembler
    const unsigned char* entry;       // the copy's first byte
    std::int32_t chain_length;        // add instructions in the copy; 0 for the empty kernel
};

// The rows: the empty kernel, then the add chains of 500, 1000 and 2000. The 1000-chain is
// the reference the other two are compared with.
inline constexpr std::size_t EMPTY_ROW = 0;
inline constexpr std::size_t CHAIN_500_ROW = 1;
inline constexpr std::size_t CHAIN_1000_ROW = 2;
inline constexpr std::size_t CHAIN_2000_ROW = 3;
inline constexpr std::size_t SELFCHECK_CASE_COUNT = 4;
extern const SelfcheckCase selfcheck_cases[SELFCHECK_CASE_COUNT];
