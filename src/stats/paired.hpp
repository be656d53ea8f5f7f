// Paired comparisons of kernel copies measured in rounds. Every copy is measured once per
// round, so two copies' figures of the same round saw the same stretch of the machine's
// time; the ratio of the two within each round cancels what that stretch does to both, and
// the median of the per-round ratios is the comparison.
//
// Three things a ratio alone does not cancel. The processor runs in phases (on this
// project's machine: for a fraction of a second to minutes the branchy kernels take about
// twice as long), and in a slow phase the layouts' ratios are other ones, so a median over
// all rounds would move with the share of slow rounds. Only the undisturbed figures count:
// those within UNDISTURBED_BAND of their copy's fast level. Neighbouring rounds are not
// independent: they share the machine's state. And a process is not independent of
// itself: measured here, a ratio moves more from one process to the next than from one
// second to the next inside a process (the addresses the process is given, what the
// predictors learn from its other copies), so an interval over the rounds of one process
// does not cover what another process gives. So the rounds are measured in several fresh
// processes, each a segment, and the interval of the median is taken over the segments'
// medians: the k-th lowest and k-th highest bound the median with a probability from the
// binomial's order statistics, which needs no assumption about the ratios' distribution,
// only that the segments are independent. Rounds of one process alone are cut into
// blocks of consecutive rounds instead, which covers that process only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

inline constexpr double CONFIDENCE = 0.95;

// The fewest values with a 95 % interval of their median: with 5, the lowest and highest
// bound it with only 1 - 2/32 = 93.75 %.
inline constexpr std::size_t FEWEST_FOR_INTERVAL = 6;

struct MedianInterval {
    std::size_t count = 0;  // values summarised
    double median = 0;
    // The interval, when there are at least FEWEST_FOR_INTERVAL values: the order
    // statistics bounding the median with a probability of at least CONFIDENCE.
    std::optional<double> low, high;
    double confidence = 0;  // that probability exactly (0 without an interval)
};

// The number of values cut off at each end for the interval of the median of `count`
// values: the largest k with P(Binomial(count, 1/2) < k) <= (1 - CONFIDENCE) / 2, so that
// the k-th lowest and k-th highest values (1-based) bound the median. 0 for too few.
std::size_t interval_rank(std::size_t count);

// The median (the mean of the middle two for an even count) and its interval. Empty
// values give count 0 and no interval.
MedianInterval median_interval(std::vector<double> values);

// The p-quantile (0 <= p <= 1) of the values, interpolated between the two order
// statistics around position p * (count - 1). 0 for no values.
double quantile(std::vector<double> values, double p);

// A copy's fast level: this quantile of its explained figures, low enough to lie among the
// fast phase's figures while at least a tenth of the rounds are fast, robust against a few
// figures that are too low.
inline constexpr double FAST_LEVEL_QUANTILE = 0.05;

// An undisturbed figure is at most this many times its copy's fast level. Measured here,
// the fast phase's figures lie within about 1.2 times the fast level and the slow phase's
// at 1.8 to 2.2 times it; what lies between is a call that a phase change or an
// interruption cut through.
inline constexpr double UNDISTURBED_BAND = 1.3;

// For each figure, whether it is undisturbed: not unexplained (below), and within
// UNDISTURBED_BAND of the fast level of the explained figures.
std::vector<bool> undisturbed_figures(const std::vector<double>& figures);

// The headline of a copy: the median of its undisturbed figures, given its explained ones;
// the same rule applied to any figure proportional to its ticks (Google Benchmark's time
// and counters), and the figure itself where all are the same. 0 for no figures.
double undisturbed_median(const std::vector<double>& explained);

// Where the rounds come from one process, the interval of a ratio's median is taken over
// this many blocks of consecutive rounds (fewer where there are fewer rounds, one round a
// block). With 8 the interval runs from
// the lowest to the highest block median, at 1 - 2/256 = 99.2 %; a default invocation's
// blocks last about 3 s. Measured here, 16 or more shorter blocks gave intervals that
// missed other invocations' medians more often than they should: neighbouring blocks share
// the machine's slower changes, and their medians are not independent.
inline constexpr std::size_t INTERVAL_BLOCKS = 8;

// A figure the calibration cannot explain: a net time below zero, or below a third of the
// copy's median figure. The meter subtracts an empty loop's time measured just before; a
// disturbance inside that short interval makes the difference far too small. Slow phases
// of the machine make a copy's figures up to about twice its fast ones, never three times,
// so a real fast figure is never taken for one of these.
inline constexpr double FAR_BELOW = 1.0 / 3;

// For each figure, whether the calibration cannot explain it.
std::vector<bool> unexplained_figures(const std::vector<double>& figures);

// A copy measured in rounds, as the comparisons see it.
struct RoundFigures {
    std::string layout;
    std::string sample;  // long or short
    int offset;          // of the kernel's entry in its 64-byte line
    std::vector<double> ticks;  // per scan, one per round
    // The A/A control: the same copy as the one with the same layout, sample and offset,
    // called a second time in each round at its own place in the round's order; or, with
    // twin, its twin: the same bytes at the same offset at another address.
    bool again = false;
    bool twin = false;
    // Bytes one scan takes (0: not known). Layouts whose scans end elsewhere on the text do
    // different work and are not paired.
    std::uint32_t scan_length = 0;
};

enum class PairKind {
    LAYOUTS,    // two layouts' copies at the same offset
    PLACEMENT,  // a copy against its own layout and sample at offset 0
    AA,         // a copy against its twin, or against its second call in each round (the A/A control)
};

// The pair kind's name in the JSON: layouts, placement, a/a.
const char* kind_name(PairKind kind);

struct PairedRatio {
    PairKind kind;
    std::size_t first, second;  // into the copies; the ratio is first / second
    // median: of first / second over the rounds that count; interval: of the blocks'
    // medians (count is the rounds, the interval's confidence the blocks')
    MedianInterval ratio;
    MedianInterval inverse;  // of second / first, the same rounds and blocks
    std::size_t blocks = 0;  // blocks (or segments) with a round that counts
};

// The block of each of `rounds` consecutive rounds cut into `blocks` blocks (one round a
// block where there are fewer rounds).
std::vector<std::size_t> even_blocks(std::size_t rounds, std::size_t blocks = INTERVAL_BLOCKS);

// Where the rounds come from several processes, the interval is taken over at most this
// many blocks of consecutive processes (with --processes above it). Neighbouring
// processes share the processor's slower changes: measured here, intervals over 20 single
// processes held the other invocations' medians for as few as 88 % of the ratios; over
// 10 blocks of two, as few as 88 % too; over 10 single processes, 94 to 98 %.
inline constexpr std::size_t SEGMENT_BLOCKS = 10;

// The block of each round where consecutive segments make up at most `most_blocks` blocks
// (each segment a block where there are no more): `segment_rounds` holds the rounds of
// each segment, in the order the rounds are.
std::vector<std::size_t> segment_blocks(const std::vector<std::size_t>& segment_rounds,
                                        std::size_t most_blocks = SEGMENT_BLOCKS);

// The comparisons among the copies: per sample, every two layouts at each offset (in the
// copies' order), then each copy at an offset other than 0 against its layout's copy at
// offset 0; last the A/A pairs, each copy measured again against its first call. A round
// counts for a pair only where both figures are undisturbed. `block_of_round` gives each
// round's block for the interval.
std::vector<PairedRatio> paired_ratios(const std::vector<RoundFigures>& copies,
                                       const std::vector<std::size_t>& block_of_round);
// The same with the rounds cut into `blocks` blocks of consecutive rounds.
std::vector<PairedRatio> paired_ratios(const std::vector<RoundFigures>& copies,
                                       std::size_t blocks = INTERVAL_BLOCKS);

// Whether the pair's interval excludes 1: a difference shown.
bool shown(const PairedRatio& pair);

// The verdict in words: "few_jumps is 4.1 % faster than many_jumps at offset 48 (95 %: 3.2
// to 5.0 %)" or "many_jumps/long: offset 0 is 9.8 % faster than offset 48 (...)" where
// the interval excludes 1, else "<first> vs <second> ...: no difference shown".
std::string verdict(const PairedRatio& pair, const std::vector<RoundFigures>& copies);

// The console text: per sample, the table of layout ratios by offset and the table of
// each layout's offsets against offset 0, each cell "median [low, high]", the A/A
// control's line, then the verdicts of the differences shown and, grouped, the pairs with
// no difference shown.
std::string ratio_tables(const std::vector<PairedRatio>& pairs,
                         const std::vector<RoundFigures>& copies);

// The pairs as a JSON array's elements (indented for the top level of Google Benchmark's
// report), one object per pair: names, kind, sample, median, low, high, confidence, rounds,
// blocks, interval_over (`interval_over` says what the blocks are) and verdict. `names`
// are the copies' benchmark names (an A/A pair's two are the same).
std::string pairs_json(const std::vector<PairedRatio>& pairs,
                       const std::vector<RoundFigures>& copies,
                       const std::vector<std::string>& names,
                       const std::string& interval_over = "blocks of rounds");

// Google Benchmark's JSON report with "pairs" added after "benchmarks". The report as
// given when it does not end as Google Benchmark ends it.
std::string with_pairs(const std::string& report, const std::string& pairs);
