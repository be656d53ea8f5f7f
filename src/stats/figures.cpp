#include "stats/figures.hpp"

#include <algorithm>
#include <cstdio>

namespace {

std::int64_t scratch[MAX_RUNS];

// Twice the median of scratch[0, count), which it sorts.
std::int64_t median_x2_of_scratch(std::size_t count) {
    std::sort(scratch, scratch + count);
    return count % 2 == 1 ? 2 * scratch[count / 2] : scratch[count / 2 - 1] + scratch[count / 2];
}

}  // namespace

RowFigures summarize(const std::int32_t* figures, std::size_t count) {
    RowFigures result{};
    for (std::size_t i = 0; i < count; ++i) scratch[i] = figures[i];
    result.median_x2 = median_x2_of_scratch(count);
    result.minimum = scratch[0];
    result.maximum = scratch[count - 1];
    // |2 figure - 2 median| is twice each deviation, so the median of those, doubled once
    // more by median_x2_of_scratch, is four times the median absolute deviation.
    for (std::size_t i = 0; i < count; ++i) {
        const std::int64_t deviation_x2 =
            2 * static_cast<std::int64_t>(figures[i]) - result.median_x2;
        scratch[i] = deviation_x2 < 0 ? -deviation_x2 : deviation_x2;
    }
    result.mad_x4 = median_x2_of_scratch(count);
    // spread % = (mad_x4 / 4) / (|median_x2| / 2) * 100 = 50 mad_x4 / |median_x2|; in
    // tenths 500 mad_x4 / |median_x2|, rounded by adding half the divisor.
    const std::int64_t divisor = result.median_x2 < 0 ? -result.median_x2 : result.median_x2;
    result.has_spread = divisor != 0;
    if (result.has_spread) result.spread_tenths = (1000 * result.mad_x4 + divisor) / (2 * divisor);
    return result;
}

void format_halves(std::int64_t value_x2, char* buffer) {
    const bool negative = value_x2 < 0;
    const std::int64_t magnitude = negative ? -value_x2 : value_x2;
    std::snprintf(buffer, 24, "%s%lld%s", negative ? "-" : "",
                  static_cast<long long>(magnitude / 2), magnitude % 2 == 1 ? ".5" : "");
}
