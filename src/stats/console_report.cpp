#include "stats/console_report.hpp"

#include <algorithm>
#include <cmath>
#include <optional>
#include <sstream>

#include "stats/report_text.hpp"

namespace {

std::string percent_text(double fraction) { return number_text(100 * fraction, 1); }

template <typename Value>
bool contains(const std::vector<Value>& values, const Value& value) {
    return std::find(values.begin(), values.end(), value) != values.end();
}

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
    std::string text = number_text(ratio.median, 3);
    if (!ratio.low) return text + " [no interval]";
    return text + " [" + number_text(*ratio.low, 3) + ", " + number_text(*ratio.high, 3) + "]";
}

}  // namespace

std::string verdict(const PairedRatio& pair, const std::vector<RoundFigures>& copies) {
    const PairWords named = words(pair, copies);
    const std::string band = "±" + percent_text(pair.delta) + " %";
    // The A/A pair sets the band; what it says is the band, and whether it holds 1.
    if (pair.kind == PairKind::AA)
        return named.prefix + "ratio " + cell(pair.ratio) +
               (!pair.ratio.low ? ", too few rounds for an interval"
                : *pair.ratio.low > 1 || *pair.ratio.high < 1
                    ? ", its interval excludes 1: the noise band is " + band
                    : ", the noise band " + band);
    if (pair.verdict == Verdict::same)
        return named.prefix + named.first + " and " + named.second + named.where +
               ": the same within the noise band of " + band + " (ratio " + cell(pair.ratio) + ")";
    if (pair.verdict == Verdict::unclear) {
        std::string detail = pair.ratio.count == 0 ? "no rounds"
                             : pair.ratio.low      ? "ratio " + cell(pair.ratio) + ", noise band " + band
                                                   : std::to_string(pair.ratio.count) + " rounds" +
                                                    (pair.blocks < pair.ratio.count
                                                         ? " in " + std::to_string(pair.blocks) + " blocks"
                                                         : "");
        return named.prefix + named.first + " vs " + named.second + named.where + ": unclear (" + detail +
               "): " + what_would_settle(pair.ratio, pair.delta);
    }
    // The faster copy's figure over the slower one's: below 1 - δ throughout its interval.
    const bool first_faster = pair.verdict == Verdict::faster;
    const MedianInterval& faster = first_faster ? pair.ratio : pair.inverse;
    return named.prefix + (first_faster ? named.first : named.second) + " is " +
           percent_text(1 - faster.median) + " % faster than " +
           (first_faster ? named.second : named.first) + named.where + " (95 %: " +
           percent_text(1 - *faster.high) + " to " + percent_text(1 - *faster.low) + " %)";
}

std::string sample_heading(const std::string& sample, const std::string& text_name) {
    if (sample != "long" || text_name.empty() || text_name == "the long sample") return sample + " sample";
    return "text " + text_name;
}

std::string ratio_tables(const std::vector<PairedRatio>& pairs,
                         const std::vector<RoundFigures>& copies, const std::string& text_name) {
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
            text << '\n' << sample_heading(sample, text_name) << ", "
                 << (kind == PairKind::LAYOUTS ? "layouts against each other at the same offset"
                                               : "each copy against its layout at offset 0")
                 << ": ratio of their levels of ticks per scan (each the 10th percentile of its undisturbed figures) [95 % interval]\n";
            text << table_text(lines);
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
                 << (!pair.ratio.low ? "too few rounds for an interval: every verdict is unclear"
                     : "the run's noise floor: ±" + percent_text(pair.delta) +
                           " % (the farther end of this interval from 1, at least " +
                           percent_text(LEAST_NOISE_FLOOR) + " %); a difference within it reads the same" +
                           (*pair.ratio.low > 1 || *pair.ratio.high < 1
                                ? ". Its interval excludes 1: two copies of the same bytes differ by "
                                  "more than the intervals allow, so the band is wide"
                                : ""))
                 << '\n';
        }
        // The differences beyond the noise floor, one verdict each; then the pairs the same
        // within it and the unclear ones, grouped by layout pair or copy.
        text << "\nVerdicts, " << sample_heading(sample, text_name) << ":\n";
        std::vector<std::string> groups[2], offsets_of[2];
        std::optional<double> delta;
        for (const PairedRatio& pair : pairs) {
            if (copies[pair.first].sample != sample || pair.kind == PairKind::AA) continue;
            delta = pair.delta;
            if (shown(pair)) {
                text << "  " << verdict(pair, copies) << '\n';
                continue;
            }
            const int which = pair.verdict == Verdict::same ? 0 : 1;
            const RoundFigures& first = copies[pair.first];
            const std::string group = pair.kind == PairKind::LAYOUTS
                                          ? first.layout + " vs " + copies[pair.second].layout + " at offset "
                                          : first.layout + "/" + first.sample + ": offset ";
            const auto found = std::find(groups[which].begin(), groups[which].end(), group) - groups[which].begin();
            if (found == static_cast<std::ptrdiff_t>(groups[which].size())) {
                groups[which].push_back(group);
                offsets_of[which].emplace_back();
            }
            offsets_of[which][found] += (offsets_of[which][found].empty() ? "" : ", ") + std::to_string(first.offset);
        }
        for (const int which : {0, 1}) {
            if (groups[which].empty()) continue;
            text << (which == 0 ? "  the same within the noise band of ±" + percent_text(*delta) + " %:\n"
                                : "  unclear (more processes, --processes=20, or a quieter machine would "
                                  "settle them):\n");
            for (std::size_t index = 0; index < groups[which].size(); ++index)
                text << "    " << groups[which][index] << offsets_of[which][index]
                     << (groups[which][index].ends_with(": offset ") ? " vs offset 0" : "") << '\n';
        }
    }
    return text.str();
}

std::string cost_model_text(const CostModel& model, const std::vector<std::string>& copies) {
    std::ostringstream text;
    text << "\nCost model: core cycles per scan of the long-sample copies, fitted by least squares";
    if (!model.error.empty()) {
        text << ": none (" << model.error << ")\n";
        return text.str();
    }
    text << "\n  cycles =";
    for (std::size_t term = 0; term < model.terms.size(); ++term) {
        const double coefficient = model.coefficients[term];
        text << (term == 0 ? " " : coefficient < 0 ? " - " : " + ")
             << number_text(term == 0 ? coefficient : std::fabs(coefficient), term == 0 ? 1 : 3);
        if (term > 0) text << " * " << model.terms[term];
    }
    text << "\n  R² " << number_text(model.r2, 3) << " over " << model.copies << " copies"
         << (model.r2 < 0.5 ? ": the facts explain little of these copies' differences" : "")
         << "\n";
    // The figures' columns at least 8 wide, as they always were.
    std::vector<std::vector<std::string>> lines{{"copy", "measured", "fitted", "residual"}};
    const auto column = [](double value, bool sign) {
        std::string text = number_text(value, 1);
        if (sign && !std::signbit(value)) text.insert(0, 1, '+');
        if (text.size() < 8) text.insert(0, 8 - text.size(), ' ');
        return text;
    };
    for (std::size_t index = 0; index < copies.size(); ++index)
        lines.push_back({copies[index], column(model.fitted[index] + model.residuals[index], false),
                         column(model.fitted[index], false), column(model.residuals[index], true)});
    text << table_text(lines, "  ");
    return text.str();
}
