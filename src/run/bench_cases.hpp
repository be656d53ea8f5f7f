// The case table: what the benchmark measures, in run and report order. Its rows are
// written once, in bench_cases.def.
#pragma once

#include <cstddef>

#include "meter/bench_case.hpp"

inline constexpr std::size_t BENCH_CASE_COUNT = 0
#define BENCH_CASE(layout, sample, kernel, label) +1
#include "run/bench_cases.def"
#undef BENCH_CASE
    ;
extern const BenchCase bench_cases[BENCH_CASE_COUNT];
