// One invocation of the stats tool from its flags to its report: the result files opened
// before anything is measured, the selected copies measured in processes of their own, and
// what the report adds to Google Benchmark's.
#pragma once

#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "host/output_file.hpp"
#include "stats/aa_control.hpp"
#include "stats/context.hpp"
#include "stats/flags.hpp"
#include "stats/results.hpp"
#include "stats/segments.hpp"
#include "stats/stats_reporter.hpp"
#include "stats/texts.hpp"

struct Invocation {
    EarlyFlags early;
    ToolFlags flags;
    OutputFile out, chart;  // descriptor -1 where not asked for
};

// Opens --benchmark_out's and --chart's files; "" when done, else the problem (nothing is
// left open then). A chart that would go to standard output is refused.
std::string open_result_files(Invocation& invocation);
void abandon_result_files(Invocation& invocation);

// What the rounds gave: each case's figures (empty where not selected), the processes'
// rounds, the A/A control, and the facts for the context.
struct Measurement {
    std::vector<std::vector<double>> ticks;
    std::vector<std::vector<double>> places;  // the entry's address modulo 4096, by case and round
    Segments segments;
    std::optional<AAControl> control;
    RunFacts facts;
};

// Measures the selected cases (their facts, scan lengths, the clock, the rounds, the
// counters). "" when done, else the problem.
std::string measure_selected(const Invocation& invocation, const ToolText& text,
                             std::vector<StatsCase>& cases, const std::vector<bool>& selected,
                             Measurement& measurement);

// Each case's unexplained figures, the results, the context counts; the report's texts.
struct Outcome {
    std::vector<std::vector<bool>> unexplained;
    Results results;
    ToolReport report;
};
Outcome outcome_of(const std::vector<StatsCase>& cases, Measurement& measurement);

// Google Benchmark's first pass over the cases with the user's flags: which it selects.
// False where none matched (Google Benchmark has said so).
bool select_benchmarks(const std::vector<StatsCase>& cases, std::vector<bool>& selected);

// Google Benchmark's second pass: the replays of `rounds` rounds reported by its display
// reporter into `shown` and by the --benchmark_out format's into `file`, with the tool's
// texts. False where a JSON report could not take the tool's members.
bool report_replays(std::vector<Replay>& replays, int rounds, const Invocation& invocation,
                    const ToolReport& report, std::ostringstream& shown, std::ostringstream& file);
