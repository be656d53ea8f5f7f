#include "run/bench_cases.hpp"

#include "console/console.hpp"

// The routines and labels that the assembly lays out, one set per kernel copy.
#define BENCH_CASE(layout, sample, kernel, label) METER_COPY_SYMBOLS(layout##_##sample)
#include "run/bench_cases.def"
#undef BENCH_CASE

namespace {

#define BENCH_CASE(layout, sample, kernel, label) \
    constexpr Text layout##_##sample##_label{label};
#include "run/bench_cases.def"
#undef BENCH_CASE

}  // namespace

const BenchCase bench_cases[] = {
#define BENCH_CASE(layout, sample, kernel, label) \
    METER_CASE(layout##_##sample##_label, #layout "/" #sample, layout##_##sample),
#include "run/bench_cases.def"
#undef BENCH_CASE
};
