#include "stats/results.hpp"

#include <algorithm>
#include <cmath>

#include "stats/placed_cases.hpp"
#include "stats/undisturbed.hpp"

namespace {

std::string placement_name(int offset) { return "offset " + std::to_string(offset); }

}  // namespace

Results results_of(const std::vector<StatsCase>& cases,
                   const std::vector<std::vector<double>>& ticks,
                   const std::vector<std::vector<bool>>& unexplained,
                   const std::optional<AAControl>& control, const std::vector<double>& again_ticks,
                   const std::vector<std::size_t>& segment_rounds,
                   const std::vector<double>& probes) {
    Results results;
    for (std::size_t index = 0; index < cases.size(); ++index) {
        if (ticks[index].empty()) continue;
        results.measured.push_back(index);
        results.copies.push_back({cases[index].layout, cases[index].sample,
                                  PLACEMENT_OFFSETS[cases[index].placement], ticks[index], false,
                                  false, cases[index].scan_length});
        // Google Benchmark adds /manual_time to the name of a benchmark timed by hand.
        results.names.push_back(cases[index].name + "/manual_time");
        std::vector<double> explained;
        for (std::size_t round = 0; round < ticks[index].size(); ++round)
            if (!unexplained[index][round]) explained.push_back(ticks[index][round]);
        results.headlines.push_back(undisturbed_level(explained));
    }
    if (control && !again_ticks.empty()) {
        const StatsCase& copy = cases[control->copy];
        results.copies.push_back({copy.layout, copy.sample, PLACEMENT_OFFSETS[copy.placement],
                                  again_ticks, true, control->twin, copy.scan_length});
        results.names.push_back(second_name(*control, cases));
    }
    results.segments = segment_rounds.size();
    std::size_t rounds = 0;
    for (const std::size_t count : segment_rounds) rounds += count;
    results.block_of_round = results.segments > 1 ? segment_blocks(segment_rounds) : even_blocks(rounds);
    results.undisturbed = undisturbed_of(results.copies);
    results.pairs = paired_ratios(results.copies, results.undisturbed, results.block_of_round);
    results.shared = shared_share(probes);
    return results;
}

std::string interval_over(const Results& results) {
    return results.segments > 1 ? "processes" : "blocks of rounds";
}

std::vector<PlacementRow> placement_rows(const Results& results, const std::vector<StatsCase>& cases) {
    std::vector<PlacementRow> rows;
    for (std::size_t row = 0; row < STATS_ROW_COUNT; ++row) {
        PlacementRow placement_row;
        bool measured = false;
        for (std::size_t index = 0; index < results.measured.size(); ++index) {
            const StatsCase& stats_case = cases[results.measured[index]];
            if (stats_case.row != row) continue;
            placement_row.layout = stats_case.layout;
            placement_row.sample = stats_case.sample;
            placement_row.ticks[stats_case.placement] = results.headlines[index];
            measured = true;
        }
        if (measured) rows.push_back(placement_row);
    }
    return rows;
}

ModelOfCopies cost_model_of(const Results& results, const std::vector<StatsCase>& cases,
                            double ticks_per_cycle) {
    ModelOfCopies of;
    std::vector<double> taken, lines;
    for (std::size_t index = 0; index < results.measured.size(); ++index) {
        const StatsCase& stats_case = cases[results.measured[index]];
        if (stats_case.sample != "long" || stats_case.taken_branches == 0 ||
            !std::isfinite(results.headlines[index]) || ticks_per_cycle <= 0)
            continue;
        of.copies.push_back(stats_case.name);
        of.cycles.push_back(results.headlines[index] / ticks_per_cycle);
        taken.push_back(static_cast<double>(stats_case.taken_branches));
        lines.push_back(static_cast<double>(stats_case.line_changes));
    }
    of.model = fit_cost_model(of.cycles, {"taken_branches", "line_changes"}, {taken, lines});
    // A layout's copies at other offsets take the same branches: with fewer layouts than
    // terms the fit has nothing to tell the intercept from the branches' cost, and gives
    // absurd coefficients (an intercept of -20,000 cycles over two layouts).
    std::vector<std::string> layouts;
    for (const std::string& name : of.copies) {
        const std::string layout = name.substr(0, name.find('/'));
        if (std::find(layouts.begin(), layouts.end(), layout) == layouts.end()) layouts.push_back(layout);
    }
    if (of.model.error.empty() && layouts.size() < of.model.terms.size() + MODEL_SPARE_LAYOUTS)
        of.model.error = std::to_string(layouts.size()) + " layouts are too few for " +
                         std::to_string(of.model.terms.size()) + " terms (at least " +
                         std::to_string(of.model.terms.size() + MODEL_SPARE_LAYOUTS) + ")";
    if (ticks_per_cycle <= 0) of.model.error = "no ticks per core cycle from the reference chain";
    return of;
}

std::vector<ChartPoint> chart_points(const Results& results) {
    std::vector<ChartPoint> points;
    for (std::size_t index = 0; index < results.headlines.size(); ++index)
        points.push_back({results.copies[index].layout, results.copies[index].sample,
                          placement_name(results.copies[index].offset), results.headlines[index]});
    return points;
}

std::vector<ChartRatio> chart_ratios(const Results& results) {
    std::vector<ChartRatio> ratios;
    for (const PairedRatio& pair : results.pairs) {
        if (pair.ratio.count == 0) continue;
        const RoundFigures& first = results.copies[pair.first];
        const bool placement = pair.kind == PairKind::PLACEMENT;
        const std::string label = pair.kind == PairKind::AA ? "A/A " + first.layout
                                  : placement ? first.layout
                                              : first.layout + " / " + results.copies[pair.second].layout;
        ratios.push_back({first.sample, placement, label, placement_name(first.offset),
                          pair.ratio.median, pair.ratio.low.value_or(std::nan("")),
                          pair.ratio.high.value_or(std::nan(""))});
    }
    return ratios;
}
