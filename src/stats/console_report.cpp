#include "stats/console_report.hpp"

#include <algorithm>
#include <cmath>
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
           percent_text(1 - faster.median) + " % faster than " +
           (first_faster ? named.second : named.first) + named.where + " (95 %: " +
           percent_text(1 - *faster.high) + " to " + percent_text(1 - *faster.low) + " %)";
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
