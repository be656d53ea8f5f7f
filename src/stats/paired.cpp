#include "stats/paired.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

namespace {

std::string format(const char* pattern, double value) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

std::string percent(double fraction) { return format("%.1f", 100 * fraction); }

// What the verdict calls each copy of the pair, and where they are compared.
struct PairWords {
    std::string first, second, prefix, where;
};

PairWords words(const PairedRatio& pair, const std::vector<RoundFigures>& copies) {
    const RoundFigures& first = copies[pair.first];
    const RoundFigures& second = copies[pair.second];
    if (pair.kind == PairKind::AA) {
        const std::string copy = "A/A, " + first.layout + "/" + first.sample + " at offset " +
                                 std::to_string(first.offset);
        if (second.twin) return {"the copy", "its twin", copy + " against its twin: ", ""};
        return {"the first call", "the second", copy + " measured twice a round: ", ""};
    }
    if (pair.kind == PairKind::LAYOUTS)
        return {first.layout, second.layout, "", " at offset " + std::to_string(first.offset)};
    return {"offset " + std::to_string(first.offset), "offset " + std::to_string(second.offset),
            first.layout + "/" + first.sample + ": ", ""};
}

std::string cell(const MedianInterval& ratio) {
    if (ratio.count == 0) return "-";
    std::string text = format("%.3f", ratio.median);
    if (!ratio.low) return text + " [no interval]";
    return text + " [" + format("%.3f", *ratio.low) + ", " + format("%.3f", *ratio.high) + "]";
}

// Lines of cells as a table: the first column left-aligned, the others right-aligned.
void write_table(std::ostringstream& text, const std::vector<std::vector<std::string>>& lines) {
    std::vector<std::size_t> widths;
    for (const auto& line : lines) {
        widths.resize(std::max(widths.size(), line.size()), 0);
        for (std::size_t column = 0; column < line.size(); ++column)
            widths[column] = std::max(widths[column], line[column].size());
    }
    for (const auto& line : lines) {
        for (std::size_t column = 0; column < line.size(); ++column) {
            const std::string padding(widths[column] - line[column].size(), ' ');
            text << (column == 0 ? line[column] + padding : "  " + padding + line[column]);
        }
        text << '\n';
    }
}

std::string json_string(const std::string& value) {
    std::string quoted = "\"";
    for (const char character : value) {
        if (character == '"' || character == '\\') quoted += '\\';
        quoted += character;
    }
    return quoted + '"';
}

std::string json_number(const std::optional<double>& value) {
    return value ? format("%.6g", *value) : "null";
}

// The highest undisturbed figure of a copy, given its explained figures.
double undisturbed_limit(const std::vector<double>& explained) {
    return UNDISTURBED_BAND * quantile(explained, FAST_LEVEL_QUANTILE);
}

template <typename Value>
bool contains(const std::vector<Value>& values, const Value& value) {
    return std::find(values.begin(), values.end(), value) != values.end();
}

}  // namespace

std::size_t interval_rank(std::size_t count) {
    // P(Binomial(count, 1/2) = i), summed upwards from i = 0 while the tail stays small.
    const double tail_allowed = (1 - CONFIDENCE) / 2;
    const double n = static_cast<double>(count);
    double below = 0;  // P(Binomial < rank)
    std::size_t rank = 0;
    for (std::size_t i = 0; i <= count / 2; ++i) {
        const double k = static_cast<double>(i);
        below += std::exp(std::lgamma(n + 1) - std::lgamma(k + 1) - std::lgamma(n - k + 1) -
                          n * std::log(2.0));
        if (below > tail_allowed * (1 + 1e-12)) break;
        rank = i + 1;
    }
    return rank;
}

MedianInterval median_interval(std::vector<double> values) {
    MedianInterval summary;
    summary.count = values.size();
    if (values.empty()) return summary;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    summary.median = values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
    const std::size_t rank = interval_rank(values.size());
    if (rank == 0) return summary;
    summary.low = values[rank - 1];
    summary.high = values[values.size() - rank];
    double outside = 0;
    const double n = static_cast<double>(values.size());
    for (std::size_t i = 0; i < rank; ++i) {
        const double k = static_cast<double>(i);
        outside += 2 * std::exp(std::lgamma(n + 1) - std::lgamma(k + 1) - std::lgamma(n - k + 1) -
                                n * std::log(2.0));
    }
    summary.confidence = 1 - outside;
    return summary;
}

double quantile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const double position = p * static_cast<double>(values.size() - 1);
    const auto below = static_cast<std::size_t>(std::floor(position));
    const std::size_t above = std::min(below + 1, values.size() - 1);
    const double weight = position - static_cast<double>(below);
    return values[below] * (1 - weight) + values[above] * weight;
}

std::vector<bool> unexplained_figures(const std::vector<double>& figures) {
    const double median = median_interval(figures).median;
    std::vector<bool> unexplained;
    for (const double figure : figures) unexplained.push_back(figure < 0 || figure < median * FAR_BELOW);
    return unexplained;
}

std::vector<bool> undisturbed_figures(const std::vector<double>& figures) {
    const std::vector<bool> unexplained = unexplained_figures(figures);
    std::vector<double> explained;
    for (std::size_t index = 0; index < figures.size(); ++index)
        if (!unexplained[index]) explained.push_back(figures[index]);
    const double limit = undisturbed_limit(explained);
    std::vector<bool> undisturbed;
    for (std::size_t index = 0; index < figures.size(); ++index)
        undisturbed.push_back(!unexplained[index] && figures[index] <= limit);
    return undisturbed;
}

double undisturbed_median(const std::vector<double>& explained) {
    const double limit = undisturbed_limit(explained);
    std::vector<double> undisturbed;
    for (const double figure : explained)
        if (figure <= limit) undisturbed.push_back(figure);
    return median_interval(undisturbed).median;
}

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

std::vector<PairedRatio> paired_ratios(const std::vector<RoundFigures>& copies, std::size_t blocks) {
    std::size_t rounds = 0;
    for (const RoundFigures& copy : copies) rounds = std::max(rounds, copy.ticks.size());
    return paired_ratios(copies, even_blocks(rounds, blocks));
}

std::vector<PairedRatio> paired_ratios(const std::vector<RoundFigures>& copies,
                                       const std::vector<std::size_t>& block_of_round) {
    std::vector<std::vector<bool>> undisturbed;
    for (const RoundFigures& copy : copies) undisturbed.push_back(undisturbed_figures(copy.ticks));
    const auto pair = [&](PairKind kind, std::size_t first, std::size_t second) {
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
    return pairs;
}

bool shown(const PairedRatio& pair) {
    return (pair.ratio.high && *pair.ratio.high < 1) || (pair.ratio.low && *pair.ratio.low > 1);
}

std::string verdict(const PairedRatio& pair, const std::vector<RoundFigures>& copies) {
    const PairWords named = words(pair, copies);
    const bool first_faster = pair.ratio.high && *pair.ratio.high < 1;
    if (!shown(pair)) {
        std::string text = named.prefix + named.first + " vs " + named.second + named.where +
                           ": no difference shown";
        if (pair.ratio.count > 0 && !pair.ratio.low)
            text += " (" + std::to_string(pair.ratio.count) + " rounds" +
                    (pair.blocks < pair.ratio.count ? " in " + std::to_string(pair.blocks) + " blocks" : "") +
                    ", too few for an interval)";
        return text;
    }
    // The faster copy's figure over the slower one's: below 1 throughout its interval.
    const MedianInterval& faster = first_faster ? pair.ratio : pair.inverse;
    return named.prefix + (first_faster ? named.first : named.second) + " is " +
           percent(1 - faster.median) + " % faster than " +
           (first_faster ? named.second : named.first) + named.where + " (95 %: " +
           percent(1 - *faster.high) + " to " + percent(1 - *faster.low) + " %)";
}

std::string ratio_tables(const std::vector<PairedRatio>& pairs,
                         const std::vector<RoundFigures>& copies) {
    std::vector<std::string> samples;
    std::vector<int> offsets;
    for (const PairedRatio& pair : pairs) {
        if (!contains(samples, copies[pair.first].sample)) samples.push_back(copies[pair.first].sample);
        if (!contains(offsets, copies[pair.first].offset)) offsets.push_back(copies[pair.first].offset);
    }
    std::sort(offsets.begin(), offsets.end());

    std::ostringstream text;
    for (const std::string& sample : samples) {
        for (const PairKind kind : {PairKind::LAYOUTS, PairKind::PLACEMENT}) {
            // One line per layout pair (or per layout), one column per offset.
            std::vector<std::vector<std::string>> lines{{kind == PairKind::LAYOUTS
                                                             ? "first / second"
                                                             : "offset N / offset 0"}};
            std::vector<int> columns;
            for (const int offset : offsets)
                if (kind == PairKind::LAYOUTS || offset != 0) columns.push_back(offset);
            for (const int offset : columns) lines[0].push_back("offset " + std::to_string(offset));
            std::vector<std::string> rows;
            for (const PairedRatio& pair : pairs) {
                if (pair.kind != kind || copies[pair.first].sample != sample) continue;
                const std::string row = kind == PairKind::LAYOUTS
                                            ? copies[pair.first].layout + " / " + copies[pair.second].layout
                                            : copies[pair.first].layout;
                if (!contains(rows, row)) {
                    rows.push_back(row);
                    lines.push_back(std::vector<std::string>(columns.size() + 1, "-"));
                    lines.back()[0] = row;
                }
                const auto row_index = std::find(rows.begin(), rows.end(), row) - rows.begin();
                const auto column = std::find(columns.begin(), columns.end(), copies[pair.first].offset) -
                                    columns.begin();
                lines[row_index + 1][column + 1] = cell(pair.ratio);
            }
            if (rows.empty()) continue;
            text << '\n' << sample << " sample, "
                 << (kind == PairKind::LAYOUTS ? "layouts against each other at the same offset"
                                               : "each copy against its layout at offset 0")
                 << ": median of the undisturbed rounds' ratios of ticks per scan [95 % interval]\n";
            write_table(text, lines);
        }
        // The A/A control: its interval should hold 1.
        for (const PairedRatio& pair : pairs) {
            if (pair.kind != PairKind::AA || copies[pair.first].sample != sample) continue;
            const RoundFigures& copy = copies[pair.first];
            text << "\nA/A control, " << copy.layout << "/" << copy.sample << " at offset "
                 << copy.offset
                 << (copies[pair.second].twin
                         ? " against its twin, the same bytes at the same offset in another slot (copy / twin): "
                         : " measured twice in every round (first call / second): ")
                 << cell(pair.ratio) << "\n  "
                 << (!pair.ratio.low ? "too few rounds for an interval"
                     : shown(pair) ? "its interval excludes 1: two copies of the same bytes differ "
                                     "here by more than the intervals allow (their places matter); "
                                     "read a verdict of a few per cent with that"
                                   : "its interval holds 1, as it must; its width is the tool's "
                                     "own noise floor")
                 << '\n';
        }
        // The differences shown, one verdict each; then the others, by layout pair or copy.
        text << "\nVerdicts, " << sample << " sample:\n";
        std::vector<std::string> groups, offsets_of;
        for (const PairedRatio& pair : pairs) {
            if (copies[pair.first].sample != sample || pair.kind == PairKind::AA) continue;
            if (shown(pair)) {
                text << "  " << verdict(pair, copies) << '\n';
                continue;
            }
            const RoundFigures& first = copies[pair.first];
            const std::string group = pair.kind == PairKind::LAYOUTS
                                          ? first.layout + " vs " + copies[pair.second].layout + " at offset "
                                          : first.layout + "/" + first.sample + ": offset ";
            const auto found = std::find(groups.begin(), groups.end(), group) - groups.begin();
            if (found == static_cast<std::ptrdiff_t>(groups.size())) {
                groups.push_back(group);
                offsets_of.emplace_back();
            }
            offsets_of[found] += (offsets_of[found].empty() ? "" : ", ") + std::to_string(first.offset);
        }
        if (!groups.empty()) text << "  no difference shown:\n";
        for (std::size_t index = 0; index < groups.size(); ++index)
            text << "    " << groups[index] << offsets_of[index]
                 << (groups[index].ends_with(": offset ") ? " vs offset 0" : "") << '\n';
    }
    return text.str();
}

std::string pairs_json(const std::vector<PairedRatio>& pairs,
                       const std::vector<RoundFigures>& copies,
                       const std::vector<std::string>& names, const std::string& interval_over) {
    std::ostringstream text;
    for (std::size_t index = 0; index < pairs.size(); ++index) {
        const PairedRatio& pair = pairs[index];
        const MedianInterval& ratio = pair.ratio;
        text << (index ? ",\n" : "") << "    {\n"
             << "      \"first\": " << json_string(names[pair.first]) << ",\n"
             << "      \"second\": " << json_string(names[pair.second]) << ",\n"
             << "      \"kind\": \"" << kind_name(pair.kind) << "\",\n"
             << "      \"sample\": " << json_string(copies[pair.first].sample) << ",\n"
             << "      \"median\": " << json_number(ratio.count ? std::optional(ratio.median) : std::nullopt)
             << ",\n"
             << "      \"low\": " << json_number(ratio.low) << ",\n"
             << "      \"high\": " << json_number(ratio.high) << ",\n"
             << "      \"confidence\": " << json_number(ratio.low ? std::optional(ratio.confidence) : std::nullopt)
             << ",\n"
             << "      \"rounds\": " << ratio.count << ",\n"
             << "      \"blocks\": " << pair.blocks << ",\n"
             << "      \"interval_over\": " << json_string(interval_over) << ",\n"
             << "      \"verdict\": " << json_string(verdict(pair, copies)) << "\n"
             << "    }";
    }
    return text.str();
}

std::string with_pairs(const std::string& report, const std::string& pairs) {
    const std::string ending = "\n  ]\n}\n";
    if (report.size() < ending.size() ||
        report.compare(report.size() - ending.size(), ending.size(), ending) != 0)
        return report;
    return report.substr(0, report.size() - 3) + ",\n  \"pairs\": [\n" + pairs +
           (pairs.empty() ? "" : "\n") + "  ]\n}\n";
}
