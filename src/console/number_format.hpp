// The decimal texts of the reports' figures: plain functions into caller's buffers, with
// no heap and no locale.
#pragma once

#include <cstdint>

// The decimal text of `value` and a NUL, at most 12 bytes, into `buffer`.
void format_int32(std::int32_t value, char* buffer);

// numerator / denominator with three decimals ("0.998", "-0.500", "2.000"), rounded to
// the nearest thousandth, halves away from zero; "n/a" when the denominator is zero or
// below. Writes at most 16 bytes with the NUL.
void format_thousandths(std::int32_t numerator, std::int32_t denominator, char* buffer);
