// Measuring inside a Google Benchmark program: the time-stamp counter's rate and its
// ticks per core cycle, found once before the benchmarks; the rounds, in which every
// selected kernel copy's meter instance is called once; and the benchmarks that give
// Google Benchmark the rounds' figures, one benchmark per copy.
#pragma once

#include <cstdint>
#include <optional>
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

// The rounds: every selected case's meter instance called once per round, in an order
// shuffled afresh for each round, so that the copies' figures of one round come from the
// same stretch of the machine's time. A call is a thousand runs of the kernel (a
// short-sample copy's four thousand, round_runs.h), so a round of every copy takes about
// 10 ms natively, short beside the processor's phases.
// Without a count, rounds are measured while the next one is expected to end within
// ROUND_BUDGET_SECONDS (the last round's time taken as the next one's), at least
// MIN_ROUNDS and at most MAX_ROUNDS.
inline constexpr double ROUND_BUDGET_SECONDS = 25;
inline constexpr int MIN_ROUNDS = 6;  // the fewest with an interval of the median
inline constexpr int MAX_ROUNDS = 50000;

// A short-sample copy's figure in a round is the mean of this many calls of its meter
// instance, one after the other. The meter rounds its figure to whole ticks per run, and a
// short scan takes a dozen or so natively: one call's figure moves in steps of 7 % or
// more, too coarse for a ratio. The noise of the calls dithers the rounding, so their
// mean has the finer steps; the calls together cost about a long-sample copy's one.
inline constexpr int SHORT_SAMPLE_CALLS = 8;

// ticks[case][round]: ticks per scan of each selected case (empty for the others).
// Gives the number of rounds measured.
int measure_rounds(std::vector<StatsCase>& cases, const std::vector<bool>& selected,
                   std::optional<int> rounds, std::vector<std::vector<double>>& ticks);

// Registers one benchmark per case that only notes in `selected` that Google Benchmark
// ran it: a first pass with the user's flags, to learn which cases they select.
void register_selection(const std::vector<StatsCase>& cases, std::vector<bool>& selected);

// What the second pass gives Google Benchmark: one benchmark per case, one repetition per
// round (the caller sets --benchmark_repetitions to the rounds, --benchmark_min_time and
// --benchmark_min_warmup_time to 0: the flags, not the benchmark's own settings, so that
// the benchmarks' names are the same whatever the number of rounds), whose one iteration
// replays that round's figure of the case: manual time is the
// net ticks of one meter call (the copy's runs) over the counter's rate; counters ticks
// and cycles per scan, len and code_bytes (and for long-sample copies taken,
// ticks_per_taken and cycles_per_taken). A figure the calibration cannot explain is
// reported as the repetition's error, so Google Benchmark's aggregates leave it out.
// Aggregates beside Google Benchmark's own: min, and the headline (HEADLINE_AGGREGATE: the
// median of the undisturbed figures, paired.hpp). Every argument must outlive the
// benchmarks.
//
// The first repetition replays the first round whose figure is explained, and the rounds
// follow in order from there, the ones before it last. Google Benchmark 1.7.1 (Debian 12's)
// takes a benchmark's statistics from its first repetition, and leaves them unset in a
// repetition reported as an error: a first round left out would make it read a null
// pointer when it computes the aggregates.
struct Replay {
    const StatsCase* stats_case;
    const std::vector<double>* ticks;
    const std::vector<bool>* unexplained;
    const Clock* clock;
    std::size_t next = 0;  // the round the next repetition replays (register_replays sets it)
};
void register_replays(std::vector<Replay>& replays);

// The statistic added to Google Benchmark's beside the headline: the lowest figure.
double lowest(const std::vector<double>& figures);
