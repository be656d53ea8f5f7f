#include "stats/verdicts.hpp"

#include <algorithm>

#include "host/numbers.hpp"

namespace {

std::string percent(double fraction) { return number_text(100 * fraction, 1); }

}  // namespace

const char* verdict_word(Verdict verdict) {
    switch (verdict) {
        case Verdict::faster: return "faster";
        case Verdict::slower: return "slower";
        case Verdict::same: return "same";
        case Verdict::unclear: return "unclear";
    }
    return "";
}

std::optional<double> noise_floor(const MedianInterval& aa) {
    if (!aa.low || !aa.high) return std::nullopt;
    return std::max({LEAST_NOISE_FLOOR, 1 - *aa.low, *aa.high - 1});
}

Verdict judge(const MedianInterval& ratio, double delta) {
    if (!ratio.low || !ratio.high) return Verdict::unclear;
    if (*ratio.high < 1 - delta) return Verdict::faster;
    if (*ratio.low > 1 + delta) return Verdict::slower;
    if (*ratio.low >= 1 - delta && *ratio.high <= 1 + delta) return Verdict::same;
    return Verdict::unclear;
}

std::string what_would_settle(const MedianInterval& ratio, double delta) {
    if (ratio.count == 0) return "no round counted for this pair: measure again";
    if (!ratio.low || !ratio.high)
        return "too few rounds counted for an interval: more processes (--processes=20) would settle it";
    if (*ratio.high - *ratio.low > 2 * delta)
        return "its interval is wider than the noise band of ±" + percent(delta) +
               " %: more processes (--processes=20) or a quieter machine would settle it";
    return "its interval crosses an edge of the noise band of ±" + percent(delta) +
           " %: more processes (--processes=20) would place it on one side";
}
