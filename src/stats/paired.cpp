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
    // Each copy's undisturbed figures, all and by block.
    std::vector<double> all_first, all_second;
    std::vector<std::vector<double>> block_first(cut), block_second(cut);
    for (std::size_t round = 0; round < rounds; ++round) {
        const std::size_t block = block_of_round[round];
        if (undisturbed[first][round] && copies[first].ticks[round] > 0) {
            all_first.push_back(copies[first].ticks[round]);
            block_first[block].push_back(copies[first].ticks[round]);
        }
        if (undisturbed[second][round] && copies[second].ticks[round] > 0) {
            all_second.push_back(copies[second].ticks[round]);
            block_second[block].push_back(copies[second].ticks[round]);
        }
    }
    PairedRatio paired{kind, first, second, {}, {}, 0};
    std::vector<double> ratios;
    for (std::size_t block = 0; block < cut; ++block)
        if (!block_first[block].empty() && !block_second[block].empty())
            ratios.push_back(level_of(block_first[block]) / level_of(block_second[block]));
    paired.blocks = ratios.size();
    paired.ratio = median_interval(ratios);
    paired.ratio.count = std::min(all_first.size(), all_second.size());
    paired.ratio.median =
        paired.ratio.count == 0 ? 0 : level_of(all_first) / level_of(all_second);
    paired.inverse = reciprocal(paired.ratio);
    return paired;
}

std::vector<std::vector<bool>> undisturbed_of(const std::vector<RoundFigures>& copies) {
    std::vector<std::vector<bool>> undisturbed;
    for (const RoundFigures& copy : copies) undisturbed.push_back(undisturbed_figures(copy.ticks));
    return undisturbed;
}

std::vector<PairedRatio> paired_ratios(const std::vector<RoundFigures>& copies,
                                       const std::vector<std::vector<bool>>& undisturbed,
                                       const std::vector<std::size_t>& block_of_round) {
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
