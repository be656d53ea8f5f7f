// What the case lists say beyond the C++ tables, for the tests: each benchmark row's
// layout and sample, and each self-check row's loop-back form. Expanded from the very
// lists the program is built from, never copied.
#pragma once

#include <cstddef>
#include <string_view>

#include "kernels/samples.hpp"
#include "run/bench_cases.hpp"
#include "selfcheck/selfcheck_cases.hpp"

struct ListedBenchCase {
    std::string_view layout;  // few_jumps, many_jumps, ...
    const char* sample;       // long_sample or short_sample
};

inline constexpr ListedBenchCase LISTED_BENCH_CASES[] = {
#define BENCH_CASE(layout, sample, kernel, label) {#layout, sample##_sample},
#include "run/bench_cases.def"
#undef BENCH_CASE
};
static_assert(std::size(LISTED_BENCH_CASES) == BENCH_CASE_COUNT);

// True where the self-check row's meter instance jumps back with the near form.
inline constexpr bool SELFCHECK_NEAR_LOOP_BACK[] = {
#define SELFCHECK_CASE(row, copy, kernel, loop_back, chain_length, label) \
    std::string_view(#loop_back) == "near",
#include "selfcheck/selfcheck_cases.def"
#undef SELFCHECK_CASE
};
static_assert(std::size(SELFCHECK_NEAR_LOOP_BACK) == SELFCHECK_CASE_COUNT);
