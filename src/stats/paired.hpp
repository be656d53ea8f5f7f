// Paired comparisons of kernel copies measured in rounds. Every copy is measured once per
// round, so two copies' figures of the same round saw the same stretch of the machine's
// time; the ratio of the two within each round cancels what that stretch does to both, and
// the median of the per-round ratios is the comparison.
//
// Three things a ratio alone does not cancel. The processor's slow phases: only the
// undisturbed figures count (undisturbed.hpp). Neighbouring rounds are not independent:
// they share the machine's state. And a process is not independent of itself: measured here, a ratio moves more from one process to the next than from one
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
#include <string>
#include <vector>

#include "stats/statistics.hpp"
#include "stats/verdicts.hpp"

// Where the rounds come from one process, the interval of a ratio's median is taken over
// this many blocks of consecutive rounds (fewer where there are fewer rounds, one round a
// block). With 8 the interval runs from
// the lowest to the highest block median, at 1 - 2/256 = 99.2 %; a default invocation's
// blocks last about 3 s. Measured here, 16 or more shorter blocks gave intervals that
// missed other invocations' medians more often than they should: neighbouring blocks share
// the machine's slower changes, and their medians are not independent.
inline constexpr std::size_t INTERVAL_BLOCKS = 8;

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
    // first against second, within or beyond the run's noise floor (judge_pairs)
    Verdict verdict = Verdict::unclear;
    double delta = LEAST_NOISE_FLOOR;
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

// One pair: first / second over the rounds where both figures are undisturbed
// (`undisturbed` by copy and round), its interval over `block_of_round`'s blocks; not judged.
PairedRatio pair_copies(const std::vector<RoundFigures>& copies, const std::vector<std::vector<bool>>& undisturbed,
                        const std::vector<std::size_t>& block_of_round, PairKind kind, std::size_t first,
                        std::size_t second);

// The comparisons among the copies: per sample, every two layouts at each offset (in the
// copies' order), then each copy at an offset other than 0 against its layout's copy at
// offset 0; last the A/A pairs, each copy measured again against its first call. A round
// counts for a pair only where both figures are undisturbed. `block_of_round` gives each
// round's block for the interval. Every pair is judged (judge_pairs).
std::vector<PairedRatio> paired_ratios(const std::vector<RoundFigures>& copies,
                                       const std::vector<std::size_t>& block_of_round);

// The run's noise floor δ: from the first A/A pair's interval (verdicts.hpp), else
// LEAST_NOISE_FLOOR; every pair's verdict against it.
void judge_pairs(std::vector<PairedRatio>& pairs);

// Whether the pair's verdict says a difference: faster or slower.
bool shown(const PairedRatio& pair);
