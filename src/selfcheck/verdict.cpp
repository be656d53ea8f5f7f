#include "selfcheck/verdict.hpp"

#include <cstddef>

namespace {

// figure / reference lies within `percent` % of expected_per_mille / 1000. Cleared of
// fractions: |1000 figure - expected reference| * 100 <= percent * expected * reference,
// which stays far inside 64 bits for any 32-bit figures.
bool within_percent(std::int32_t figure, std::int32_t reference, std::int64_t expected_per_mille,
                    std::int64_t percent) {
    std::int64_t deviation = 1000 * std::int64_t{figure} - expected_per_mille * reference;
    if (deviation < 0) deviation = -deviation;
    return deviation * 100 <= percent * expected_per_mille * reference;
}

}  // namespace

SelfcheckVerdict judge_selfcheck(const SelfcheckFigures& figures) {
    const std::int32_t reference = figures.chain_1000;
    const bool linear =
        reference > 0 &&
        within_percent(figures.chain_500, reference, 500, LINEARITY_TOLERANCE_PERCENT) &&
        within_percent(figures.chain_2000, reference, 2000, LINEARITY_TOLERANCE_PERCENT);
    const std::int64_t empty = figures.empty;
    const bool empty_near_zero = -EMPTY_TOLERANCE_TICKS <= empty && empty <= EMPTY_TOLERANCE_TICKS;
    return {linear, empty_near_zero};
}
