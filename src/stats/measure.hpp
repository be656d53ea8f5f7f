// Measuring inside a Google Benchmark program: the time-stamp counter's rate and its
// ticks per core cycle, found once before the benchmarks, and one benchmark per kernel
// copy whose iteration is one call of the copy's meter instance.
#pragma once

#include <cstdint>
#include <vector>

#include "stats/stats_case.hpp"

// The reference measurements: the self-check's 1000-add chain, one core cycle per add.
inline constexpr int REFERENCE_MEASUREMENTS = 7;

struct Clock {
    double ticks_per_second;  // the counter's rate over the reference measurements
    // The lowest of the reference figures per add: a measurement that another process
    // interrupted only comes out higher. 0 when no reference figure was above zero.
    double ticks_per_cycle;
};

// Measures the 1000-add chain REFERENCE_MEASUREMENTS times, and the counter's rate
// against the monotonic clock over the same span (a quarter of a second or so).
Clock measure_clock();

// Registers one benchmark per case: one iteration is one call of the copy's meter
// instance (LOOP_COUNT runs of the kernel); its manual time is the net ticks of those
// runs over the counter's rate. Counters: ticks and cycles per scan (averaged over the
// iterations of a repetition), len (the scan length) and code_bytes. Aggregates beside
// Google Benchmark's own: min and low_quarter. `clock` must outlive the benchmarks.
void register_benchmarks(const std::vector<StatsCase>& cases, const Clock& clock);

// The statistics added to Google Benchmark's: the lowest figure, and the mean of the
// lowest quarter of the figures (at least one).
double lowest(const std::vector<double>& figures);
double low_quarter_mean(const std::vector<double>& figures);
