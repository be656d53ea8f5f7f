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

void format_thousandths(std::int32_t numerator, std::int32_t denominator, char* buffer) {
    if (denominator <= 0) {
        buffer[0] = 'n';
        buffer[1] = '/';
        buffer[2] = 'a';
        buffer[3] = '\0';
        return;
    }
    const bool negative = numerator < 0;
    std::int64_t magnitude = std::int64_t{numerator} * 1000;
    if (negative) magnitude = -magnitude;
    // Rounded half away from zero: floor((2m + d) / 2d) for the magnitude m.
    const std::int64_t thousandths =
        (2 * magnitude + denominator) / (2 * std::int64_t{denominator});
    const std::int64_t whole = thousandths / 1000;
    const auto fraction = static_cast<std::int32_t>(thousandths % 1000);
    char* out = buffer;
    if (negative && thousandths != 0) *out++ = '-';  // what rounds to zero shows no sign
    // The whole part reaches 2147483648 (for -2147483648 / 1): its digits, most
    // significant first, from an unsigned 32-bit number.
    char digits[10];
    std::size_t count = 0;
    auto rest = static_cast<std::uint32_t>(whole);
    do {
        digits[count++] = static_cast<char>('0' + rest % 10);
        rest /= 10;
    } while (rest != 0);
    while (count > 0) *out++ = digits[--count];
    *out++ = '.';
    *out++ = static_cast<char>('0' + fraction / 100);
    *out++ = static_cast<char>('0' + fraction / 10 % 10);
    *out++ = static_cast<char>('0' + fraction % 10);
    *out = '\0';
}
