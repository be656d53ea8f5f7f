// The case table: what the benchmark measures, in run and report order. Its rows are
// written once, in bench_cases.def.
#pragma once

#include <cstddef>
#include <string_view>

#include "meter/bench_case.hpp"

inline constexpr std::size_t BENCH_CASE_COUNT = 0
#define BENCH_CASE(layout, sample, kernel, label) +1
#include "run/bench_cases.def"
#undef BENCH_CASE
    ;
// The rows over the short sample: the tools lay out their own long-sample copies of every
// listed layout, and take these as the benchmark has them.
inline constexpr std::size_t SHORT_BENCH_CASE_COUNT = 0
#define BENCH_CASE(layout, sample, kernel, label) +(std::string_view(#sample) == "short")
#include "run/bench_cases.def"
#undef BENCH_CASE
    ;
extern const BenchCase bench_cases[BENCH_CASE_COUNT];
