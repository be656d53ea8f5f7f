#include "stats/paired.hpp"

#include <algorithm>
#include <optional>

#include "stats/undisturbed.hpp"

namespace {

template <typename Value>
bool contains(const std::vector<Value>& values, const Value& value) {
    return std::find(values.begin(), values.end(), value) != values.end();
}

}  // namespace

const char* kind_name(PairKind kind) {
    switch (kind) {
        case PairKind::LAYOUTS: return "layouts";
        case PairKind::PLACEMENT: return "placement";
        case PairKind::AA: return "a/a";
    }
    return "";
}

std::vector<std::size_t> even_blocks(std::size_t rounds, std::size_t blocks) {
    const std::size_t cut = std::min(blocks, rounds);
    std::vector<std::size_t> block_of_round;
    for (std::size_t round = 0; round < rounds; ++round) block_of_round.push_back(round * cut / rounds);
    return block_of_round;
}

std::vector<std::size_t> segment_blocks(const std::vector<std::size_t>& segment_rounds,
                                        std::size_t most_blocks) {
    const std::size_t segments = segment_rounds.size();
    const std::size_t blocks = std::min(segments, most_blocks);
    std::vector<std::size_t> block_of_round;
    for (std::size_t segment = 0; segment < segments; ++segment)
        block_of_round.insert(block_of_round.end(), segment_rounds[segment], segment * blocks / segments);
    return block_of_round;
}

PairedRatio pair_copies(const std::vector<RoundFigures>& copies, const std::vector<std::vector<bool>>& undisturbed,
                        const std::vector<std::size_t>& block_of_round, PairKind kind, std::size_t first,
                        std::size_t second) {
    const std::size_t rounds = std::min({copies[first].ticks.size(), copies[second].ticks.size(),
                                         block_of_round.size()});
    std::size_t cut = 0;
    for (std::size_t round = 0; round < rounds; ++round) cut = std::max(cut, block_of_round[round] + 1);
    std::vector<double> ratios, inverses;
    std::vector<std::vector<double>> block_ratios(cut), block_inverses(cut);
    for (std::size_t round = 0; round < rounds; ++round) {
        const double a = copies[first].ticks[round], b = copies[second].ticks[round];
        if (!undisturbed[first][round] || !undisturbed[second][round] || a <= 0 || b <= 0) continue;
        const std::size_t block = block_of_round[round];
        ratios.push_back(a / b);
        inverses.push_back(b / a);
        block_ratios[block].push_back(a / b);
        block_inverses[block].push_back(b / a);
    }
    PairedRatio paired{kind, first, second, {}, {}, 0};
    std::vector<double> ratio_medians, inverse_medians;
    for (std::size_t block = 0; block < cut; ++block) {
        if (block_ratios[block].empty()) continue;
        ratio_medians.push_back(median_interval(block_ratios[block]).median);
        inverse_medians.push_back(median_interval(block_inverses[block]).median);
    }
    paired.blocks = ratio_medians.size();
    paired.ratio = median_interval(ratio_medians);
    paired.ratio.count = ratios.size();
    paired.ratio.median = median_interval(ratios).median;
    paired.inverse = median_interval(inverse_medians);
    paired.inverse.count = inverses.size();
    paired.inverse.median = median_interval(inverses).median;
    return paired;
}

std::vector<PairedRatio> paired_ratios(const std::vector<RoundFigures>& copies,
                                       const std::vector<std::size_t>& block_of_round) {
    std::vector<std::vector<bool>> undisturbed;
    for (const RoundFigures& copy : copies) undisturbed.push_back(undisturbed_figures(copy.ticks));
    const auto pair = [&](PairKind kind, std::size_t first, std::size_t second) {
        return pair_copies(copies, undisturbed, block_of_round, kind, first, second);
    };

    std::vector<std::string> samples, layouts;
    std::vector<int> offsets;
    for (const RoundFigures& copy : copies) {
        if (!contains(samples, copy.sample)) samples.push_back(copy.sample);
        if (!contains(layouts, copy.layout)) layouts.push_back(copy.layout);
        if (!contains(offsets, copy.offset)) offsets.push_back(copy.offset);
    }
    std::sort(offsets.begin(), offsets.end());
    const auto find = [&](const std::string& layout, const std::string& sample, int offset) {
        for (std::size_t index = 0; index < copies.size(); ++index)
            if (!copies[index].again && copies[index].layout == layout &&
                copies[index].sample == sample && copies[index].offset == offset)
                return std::optional<std::size_t>(index);
        return std::optional<std::size_t>();
    };

    std::vector<PairedRatio> pairs;
    for (const std::string& sample : samples) {
        for (std::size_t a = 0; a < layouts.size(); ++a)
            for (std::size_t b = a + 1; b < layouts.size(); ++b)
                for (const int offset : offsets) {
                    const auto first = find(layouts[a], sample, offset);
                    const auto second = find(layouts[b], sample, offset);
                    if (first && second &&
                        copies[*first].scan_length == copies[*second].scan_length)
                        pairs.push_back(pair(PairKind::LAYOUTS, *first, *second));
                }
        for (const std::string& layout : layouts)
            for (const int offset : offsets) {
                const auto first = find(layout, sample, offset);
                const auto second = find(layout, sample, 0);
                if (offset != 0 && first && second)
                    pairs.push_back(pair(PairKind::PLACEMENT, *first, *second));
            }
    }
    for (std::size_t index = 0; index < copies.size(); ++index)
        if (copies[index].again)
            if (const auto twin = find(copies[index].layout, copies[index].sample, copies[index].offset))
                pairs.push_back(pair(PairKind::AA, *twin, index));
    judge_pairs(pairs);
    return pairs;
}

void judge_pairs(std::vector<PairedRatio>& pairs) {
    std::optional<double> delta;
    for (const PairedRatio& pair : pairs)
        if (pair.kind == PairKind::AA && !delta) delta = noise_floor(pair.ratio);
    for (PairedRatio& pair : pairs) {
        pair.delta = delta.value_or(LEAST_NOISE_FLOOR);
        pair.verdict = judge(pair.ratio, pair.delta);
    }
}

bool shown(const PairedRatio& pair) {
    return pair.verdict == Verdict::faster || pair.verdict == Verdict::slower;
}
