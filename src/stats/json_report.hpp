// The stats tool's own members of Google Benchmark's JSON report: "pairs" and "model". Text
// only: the reporter that adds them to the report is stats_reporter.hpp's.
#pragma once

#include <string>
#include <vector>

#include "stats/cost_model.hpp"
#include "stats/paired.hpp"

// `value` as a JSON string: quotes and backslashes escaped, control characters as \u00XX.
std::string json_string(const std::string& value);

// The pairs as a JSON array's elements (indented for the top level of Google Benchmark's
// report), one object per pair: names, kind, sample, median, low, high, confidence, rounds,
// blocks, interval_over (`interval_over` says what the blocks are) and verdict. `names`
// are the copies' benchmark names (an A/A pair's two are the same).
std::string pairs_json(const std::vector<PairedRatio>& pairs,
                       const std::vector<RoundFigures>& copies,
                       const std::vector<std::string>& names,
                       const std::string& interval_over = "blocks of rounds");

// The model as a JSON object (the value of the report's "model"): terms, coefficients, r2,
// copies, and per copy its name, cycles, fitted and residual; or {"error": ...}.
std::string cost_model_json(const CostModel& model, const std::vector<std::string>& copies,
                            const std::vector<double>& cycles);

// The members the tool adds after Google Benchmark's "benchmarks", each after a comma:
// "pairs" with `pairs` (pairs_json) as its elements, "model" (cost_model_json) and "places"
// with `places` (places.hpp's places_json) as its elements.
std::string report_members(const std::string& pairs, const std::string& model, const std::string& places);
