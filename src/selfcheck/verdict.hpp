// The self-check's judgement, as a pure function of given figures (ticks per run, as the
// report shows them), so that it is tested without timing.
#pragma once

#include <cstdint>

// How far the chains' ratios to the 1000-chain may stray from 0.5 and 2, in percent of
// the expected ratio, and how far the empty kernel's figure may stray from zero, in ticks.
inline constexpr std::int32_t LINEARITY_TOLERANCE_PERCENT = 2;
inline constexpr std::int32_t EMPTY_TOLERANCE_TICKS = 2;

struct SelfcheckFigures {
    std::int32_t empty;
    std::int32_t chain_500;
    std::int32_t chain_1000;
    std::int32_t chain_2000;
};

struct SelfcheckVerdict {
    bool linear;           // chain_500 and chain_2000 are 0.5 and 2 times chain_1000, within 2 %
    bool empty_near_zero;  // the empty kernel measures within 2 ticks of zero
};

// Exact integer judgement: a boundary at exactly 2 % or 2 ticks is within. A 1000-chain
// figure of zero or below makes no reference, and the meter is then not linear.
SelfcheckVerdict judge_selfcheck(const SelfcheckFigures& figures);
