// What the rounds gave, as the reports need it: each measured copy's figures and headline,
// the A/A control's second figures, the pairs, the segments, the shared-processor share;
// and the rows of the placement table and the chart's points and ratios made from them.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "stats/aa_control.hpp"
#include "stats/chart.hpp"
#include "stats/cost_model.hpp"
#include "stats/paired.hpp"
#include "stats/placement.hpp"
#include "stats/shared_probe.hpp"
#include "stats/stats_case.hpp"

struct Results {
    std::vector<std::size_t> measured;  // the cases, in the case list's order
    // By measured's index, then the A/A control's second figures last (again = true).
    std::vector<RoundFigures> copies;
    std::vector<std::vector<bool>> undisturbed;  // by copy and round (undisturbed_of)
    std::vector<std::string> names;     // the benchmarks' names, as copies
    std::vector<double> headlines;      // ticks per scan, by measured's index
    std::vector<PairedRatio> pairs;
    std::size_t segments = 0;  // the processes the rounds came from (1: blocks of rounds)
    std::vector<std::size_t> block_of_round;  // the intervals' block of every round
    SharedShare shared;
};

// The results from each case's figures (`ticks` and `unexplained` by case index, empty for
// cases not measured), the A/A control and its second
// figures, the rounds of each segment and the probes.
Results results_of(const std::vector<StatsCase>& cases,
                   const std::vector<std::vector<double>>& ticks,
                   const std::vector<std::vector<bool>>& unexplained,
                   const std::optional<AAControl>& control, const std::vector<double>& again_ticks,
                   const std::vector<std::size_t>& segment_rounds,
                   const std::vector<double>& probes);

// What the intervals are taken over, in words: "processes" or "blocks of rounds".
std::string interval_over(const Results& results);

std::vector<PlacementRow> placement_rows(const Results& results, const std::vector<StatsCase>& cases);

// The cost model over the measured long-sample copies: their headlines in core cycles
// against their taken branches and line changes.
struct ModelOfCopies {
    std::vector<std::string> copies;  // the benchmarks' names
    std::vector<double> cycles;       // per scan, the headline over ticks_per_cycle
    CostModel model;
};
// The fewest layouts the model is fitted over: its terms and this many more.
inline constexpr std::size_t MODEL_SPARE_LAYOUTS = 1;
ModelOfCopies cost_model_of(const Results& results, const std::vector<StatsCase>& cases,
                            double ticks_per_cycle);
std::vector<ChartPoint> chart_points(const Results& results);
std::vector<ChartRatio> chart_ratios(const Results& results);
