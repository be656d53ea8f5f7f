// Comparisons of kernel copies measured in rounds: the ratio of two copies' levels (each
// the 10th percentile of its undisturbed figures, undisturbed.hpp). Every copy is measured
// once per round, in every process, so two copies' levels come from the same stretches of
// the machine's time.
//
// Why levels and not the median of the per-round ratios: a copy's undisturbed figures
// still sit in several states of the processor (about 1.00, 1.05 and 1.12 times its fast
// level, measured here), two copies in one round do not share the state (their figures
// correlated at about 0), so pairing within a round cancels only the slow phases, which
// the undisturbed rule already leaves out; and a median of per-round ratios moves with the
// states' shares. A low quantile of each copy's figures lies in the fastest state whatever
// its share. Measured over 8 invocations at the defaults (docs/stats.md), the ratios of
// levels moved 0.06 % between invocations (median; the worst 1.33 %), the median of the
// per-round ratios 0.20 % (the worst 2.30 %).
//
// The rounds are measured in several fresh processes, each a segment, and the interval of
// a ratio is taken over the segments: each segment's ratio of the two copies' levels in it,
// and the k-th lowest and k-th highest of those bound the ratio with a probability from
// the binomial's order statistics, which needs no assumption about their distribution,
// only that the segments are independent. A process is not independent of itself: a
// ratio moves more from one process to the next than from one second to the next inside
// a process. Rounds of one process alone are cut into blocks of consecutive rounds
// instead, which covers that process only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "stats/statistics.hpp"
#include "stats/verdicts.hpp"

// Where the rounds come from one process, the interval of a ratio is taken over
// this many blocks of consecutive rounds (fewer where there are fewer rounds, one round a
// block). With 8 the interval runs from
// the lowest to the highest block ratio, at 1 - 2/256 = 99.2 %; a default invocation's
// blocks last about 3 s. Measured here, 16 or more shorter blocks gave intervals that
// missed other invocations' ratios more often than they should: neighbouring blocks share
// the machine's slower changes, and their ratios are not independent.
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
    // median: first's level over second's, over all their undisturbed figures; interval:
    // of the blocks' ratios of levels (count is the fewer undisturbed figures of the two,
    // the interval's confidence the blocks')
    MedianInterval ratio;
    MedianInterval inverse;  // second / first, the same figures and blocks
    std::size_t blocks = 0;  // blocks (or segments) with an undisturbed figure of each
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

// One pair: first's level over second's, each over its undisturbed figures (`undisturbed`
// by copy and round), its interval over `block_of_round`'s blocks; not judged.
PairedRatio pair_copies(const std::vector<RoundFigures>& copies, const std::vector<std::vector<bool>>& undisturbed,
                        const std::vector<std::size_t>& block_of_round, PairKind kind, std::size_t first,
                        std::size_t second);

// Each copy's undisturbed figures (undisturbed.hpp), by copy and round.
std::vector<std::vector<bool>> undisturbed_of(const std::vector<RoundFigures>& copies);

// The comparisons among the copies: per sample, every two layouts at each offset (in the
// copies' order), then each copy at an offset other than 0 against its layout's copy at
// offset 0; last the A/A pairs, each copy measured again against its first call. Only
// undisturbed figures count (`undisturbed`, as undisturbed_of gives them).
// `block_of_round` gives each round's block for the interval. Every pair is judged
// (judge_pairs).
std::vector<PairedRatio> paired_ratios(const std::vector<RoundFigures>& copies,
                                       const std::vector<std::vector<bool>>& undisturbed,
                                       const std::vector<std::size_t>& block_of_round);

// The run's noise floor δ: from the first A/A pair's interval (verdicts.hpp), else
// LEAST_NOISE_FLOOR; every pair's verdict against it.
void judge_pairs(std::vector<PairedRatio>& pairs);

// Whether the pair's verdict says a difference: faster or slower.
bool shown(const PairedRatio& pair);
