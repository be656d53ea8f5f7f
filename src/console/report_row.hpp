// The start that every report line shares, in the benchmark and in the self-check: the
// tick figure, the case's label and its code bytes.
#pragma once

#include <cstdint>

#include "meter/bench_case.hpp"

// A figure's buffer: zero-filled static storage, 20 bytes, so that every text the number
// formatters write (12 bytes at most, 16 with decimals) keeps a readable zero tail.
struct FigureText {
    char bytes[20];
};

// Formats `ticks` and the case's code bytes into the two buffers and writes the tick
// figure, the unit (a console text, left out where nullptr: the benchmark's labels carry
// their own), the label and the code-bytes figure, in that order.
void write_row_start(std::int32_t ticks, const char* unit, const BenchCase& bench_case,
                     FigureText& ticks_text, FigureText& code_bytes_text);
