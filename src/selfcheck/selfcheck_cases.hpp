// The self-check's case table: the synthetic kernels it times, in run and report order.
// Its rows are written once, in selfcheck_cases.def.
#pragma once

#include <cstddef>
#include <cstdint>

#include "meter/bench_case.hpp"

struct SelfcheckCase {
    BenchCase copy;             // the meter instance and its kernel copy
    std::int32_t chain_length;  // add instructions in the copy; 0 for the empty kernel
};

// The rows' indices, in the list's order.
enum SelfcheckRow : std::size_t {
#define SELFCHECK_CASE(row, copy, kernel, loop_back, chain_length, label) row,
#include "selfcheck/selfcheck_cases.def"
#undef SELFCHECK_CASE
    SELFCHECK_CASE_COUNT
};
extern const SelfcheckCase selfcheck_cases[SELFCHECK_CASE_COUNT];
