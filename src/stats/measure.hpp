// Measuring inside a Google Benchmark program: the time-stamp counter's rate and its
// ticks per core cycle, found once before the benchmarks; the rounds, in which every
// selected kernel copy's meter instance is called once (in processes of their own,
// segments.hpp); and the benchmarks that give Google Benchmark the rounds' figures, one
// benchmark per copy.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "stats/aa_control.hpp"
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

// The rounds of one process: every case of `order` called once per round, in an order
// shuffled afresh for each round, so that the copies' figures of one round come from the
// same stretch of the machine's time; the A/A control's second call (`again`, if any: the
// copy again or its twin) at a place of its own in that order; the shared-processor probe
// (shared_probe.hpp) once, at the round's start. A call is a thousand runs of the kernel (a short-sample copy's four
// thousand, round_runs.h), so a round of every copy takes about 10 ms natively, short
// beside the processor's phases. One round first warms the process up (its pages, the
// predictors) and is not kept.
// With `rounds`, that many rounds; without, rounds while the next one is expected to end
// within `seconds` (the last round's time taken as the next one's), at least `fewest`.
struct RoundsRequest {
    std::vector<std::size_t> order;     // case indices
    // Every copy at the build's address, or (by default) laid afresh at a random place
    // every RELAY_ROUNDS rounds, the A/A control's second call at places of its own.
    bool fixed_places = false;
    std::optional<AAControl> again;  // its second figure each round
    std::optional<int> rounds;
    double seconds = 0;
    int fewest = 1;
};

struct MeasuredRounds {
    std::vector<std::vector<double>> ticks;  // [position in order][round]: ticks per scan
    std::vector<double> again;               // the A/A case's second call, by round
    std::vector<double> probes;              // core cycles per taken jump, by round
    // Where each copy's kernel entry lay in its page (address modulo 4096), as ticks; the
    // A/A case's second call's last.
    std::vector<std::vector<double>> places;
    std::vector<double> again_places;
    std::string problem;  // "" where every round was measured
    std::size_t rounds() const { return probes.size(); }
};

// Copies laid at random places are laid afresh every this many rounds. The place is the
// factor sampled, so the more places the better: a process of 70 to 240 rounds measures
// every copy at 35 to 120 places, 350 to 1200 in a default invocation. Laying every copy
// afresh takes a fraction of a millisecond; the first call at a new place is timed like
// any other, its cold caches and predictors a few hundred cycles against the million or so
// of a call's thousand runs.
inline constexpr std::size_t RELAY_ROUNDS = 2;

// A short-sample copy's figure in a round is the net ticks of this many calls of its meter
// instance, one after the other, over their runs: a short scan takes a dozen ticks or so
// natively, and the calls together cost about a long-sample copy's one.
inline constexpr int SHORT_SAMPLE_CALLS = 8;

MeasuredRounds measure_rounds(const std::vector<StatsCase>& cases, const RoundsRequest& request);

// Each case's scan length, from one call of its meter instance (the rounds run in other
// processes).
void measure_scan_lengths(std::vector<StatsCase>& cases, const std::vector<bool>& selected);

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
// level of the undisturbed figures, undisturbed.hpp). Every argument must outlive the
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
