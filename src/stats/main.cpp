// jumpbench-stats: every kernel copy of the benchmark's case table measured many times in
// this one process, as a Google Benchmark program. One benchmark per copy; one iteration
// is one call of the copy's meter instance, the same assembly the benchmark is built
// from. Google Benchmark's flags work as they do for any of its programs; the tool adds
// --chart and --realtime, and gives some of Google Benchmark's flags other defaults.
#include <getopt.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <benchmark/benchmark.h>

#include "profile/scan_profile.hpp"
#include "run/bench_cases.hpp"
#include "stats/chart.hpp"
#include "stats/measure.hpp"
#include "stats/placed_cases.hpp"
#include "stats/placement.hpp"
#include "stats/realtime.hpp"
#include "stats/stats_reporter.hpp"

namespace {

constexpr char TOOL[] = "jumpbench-stats";
constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;

// Google Benchmark's flags with the tool's defaults, given before the user's arguments so
// that a flag the user gives wins. One iteration per repetition (min_time 0): each
// repetition is one measurement, and the aggregates are taken over the repetitions.
const char* const DEFAULT_FLAGS[] = {
    "--benchmark_repetitions=5",
    "--benchmark_min_time=0",
    "--benchmark_counters_tabular=true",
    "--benchmark_time_unit=us",
};

constexpr char TOOL_HELP[] =
    "\n"
    "jumpbench-stats measures every row of the benchmark's case table in this process, laid\n"
    "out four times with its kernel's entry at offset 0, 16, 32 and 48 of a 64-byte line:\n"
    "one benchmark per copy, named <layout>/<sample>/offset:<N>, one iteration = one call\n"
    "of the copy's meter instance (100000 runs of the kernel, net of the loop's own cost).\n"
    "Counters per scan: ticks (time-stamp counter), cycles (estimated core cycles: ticks\n"
    "over the ticks per cycle of a 1000-add chain measured first, the lowest of 7), len,\n"
    "code_bytes; for long-sample copies also taken (the branches one scan takes, counted\n"
    "exactly under the single-step trap), ticks_per_taken and cycles_per_taken.\n"
    "Aggregates beside the usual ones: min (the headline of long-sample benchmarks) and\n"
    "low_quarter (the mean of the lowest quarter, the headline of short-sample ones). The\n"
    "console table shows the headline row of each benchmark, then the placement summary\n"
    "(each row's headline at each offset, and which long-sample layout is faster at every\n"
    "offset or whether that depends on the offset); json and csv show every run.\n"
    "\n"
    "Tool flags:\n"
    "  [--chart=<file>]            draw the headline figures into <file>, a PNG image made\n"
    "                              by gnuplot (nothing of it goes to standard output)\n"
    "  [--realtime={true|false}]   measure under SCHED_FIFO at the lowest real-time\n"
    "                              priority when permitted (default true; refused: normal)\n"
    "\n"
    "Exit code: 0 done; 1 the chart failed; 2 bad flags, or no benchmark matched or ran.\n"
    "\n"
    "Defaults this tool sets (the same flag given overrides them; more repetitions give\n"
    "steadier figures in proportionally longer runs):\n";

bool help_asked = false;

// Called by Google Benchmark for --help, and also when it finds a value it does not take
// in one of its flags (then it would exit with 0 after the help text).
void print_help() {
    if (!help_asked) {
        std::fprintf(stderr,
                     "%s: Google Benchmark refused the value of one of its flags (for example, "
                     "--benchmark_format takes console, json or csv); see --help\n",
                     TOOL);
        std::exit(EXIT_USAGE);
    }
    benchmark::PrintDefaultHelp();
    std::fputs(TOOL_HELP, stdout);
    for (const char* flag : DEFAULT_FLAGS) std::printf("  %s\n", flag);
}

struct ToolFlags {
    const char* chart = nullptr;
    bool realtime = true;
};

bool parse_bool(const char* text, bool& value) {
    const std::string_view word(text);
    if (word == "true" || word == "yes" || word == "1") value = true;
    else if (word == "false" || word == "no" || word == "0") value = false;
    else return false;
    return true;
}

// The flags Google Benchmark left over: the tool's own, or errors.
bool parse_tool_flags(int argc, char** argv, ToolFlags& flags) {
    enum { CHART = 1, REALTIME };
    const option options[] = {
        {"chart", required_argument, nullptr, CHART},
        {"realtime", optional_argument, nullptr, REALTIME},
        {nullptr, 0, nullptr, 0},
    };
    for (int found; (found = getopt_long(argc, argv, "", options, nullptr)) != -1;) {
        if (found == CHART) {
            flags.chart = optarg;
        } else if (found == REALTIME) {
            if (optarg != nullptr && !parse_bool(optarg, flags.realtime)) {
                std::fprintf(stderr, "%s: --realtime takes true or false, not '%s'\n", TOOL, optarg);
                return false;
            }
        } else {
            return false;  // getopt_long has said what it is
        }
    }
    if (optind < argc) {
        std::fprintf(stderr, "%s: unexpected argument '%s'\n", TOOL, argv[optind]);
        return false;
    }
    return true;
}

// The headline of every case measured, by case.
std::vector<std::optional<Headline>> headlines_by_case(const StatsReporter& reporter,
                                                       const std::vector<StatsCase>& cases) {
    std::vector<std::optional<Headline>> by_case(cases.size());
    for (const Headline& headline : reporter.headlines()) by_case[headline.case_index] = headline;
    return by_case;
}

std::vector<ChartPoint> chart_points(const std::vector<std::optional<Headline>>& headlines,
                                     const std::vector<StatsCase>& cases) {
    std::vector<ChartPoint> points;
    for (std::size_t index = 0; index < cases.size(); ++index)
        if (headlines[index])
            points.push_back({cases[index].layout, cases[index].sample,
                              "offset " + std::to_string(PLACEMENT_OFFSETS[cases[index].placement]),
                              headlines[index]->ticks});
    return points;
}

std::vector<PlacementRow> placement_rows(const std::vector<std::optional<Headline>>& headlines,
                                         const std::vector<StatsCase>& cases) {
    std::vector<PlacementRow> rows;
    for (std::size_t row = 0; row < BENCH_CASE_COUNT; ++row) {
        PlacementRow placement_row;
        bool measured = false;
        for (std::size_t index = 0; index < cases.size(); ++index) {
            if (cases[index].row != row) continue;
            placement_row.layout = cases[index].layout;
            placement_row.sample = cases[index].sample;
            if (!headlines[index]) continue;
            placement_row.ticks[cases[index].placement] = headlines[index]->ticks;
            measured = true;
        }
        if (measured) rows.push_back(placement_row);
    }
    return rows;
}

std::string fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// Every case the tool measures: the case table's rows in order, each at every offset.
std::vector<StatsCase> stats_cases() {
    std::vector<StatsCase> cases;
    for (std::size_t row = 0; row < BENCH_CASE_COUNT; ++row)
        for (std::size_t placement = 0; placement < PLACEMENT_COUNT; ++placement) {
            const PlacedCase& placed = placed_cases[placement * BENCH_CASE_COUNT + row];
            cases.push_back({placed.copy.name, placed.layout, placed.sample, &placed.copy, row,
                             placement});
        }
    return cases;
}

// The taken branches of every long-sample copy, from one scan of it under the profile.
// False, with the profile's error on standard error, when a copy cannot be stepped.
bool count_taken_branches(std::vector<StatsCase>& cases) {
    for (StatsCase& stats_case : cases) {
        if (stats_case.sample != "long") continue;
        const ScanProfile profile = profile_case(*stats_case.copy);
        if (!profile.error.empty()) {
            std::fprintf(stderr, "%s: %s: %s\n", TOOL, stats_case.name.c_str(),
                         profile.error.c_str());
            return false;
        }
        stats_case.taken_branches = taken_branches(profile.counts);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<char*> arguments{argv[0]};
    for (const char* flag : DEFAULT_FLAGS) arguments.push_back(const_cast<char*>(flag));
    for (int index = 1; index < argc; ++index) {
        const std::string_view argument(argv[index]);
        help_asked |= argument == "--help" || argument.starts_with("--help=");
        arguments.push_back(argv[index]);
    }
    arguments.push_back(nullptr);
    int count = static_cast<int>(arguments.size()) - 1;
    benchmark::Initialize(&count, arguments.data(), print_help);

    ToolFlags flags;
    if (!parse_tool_flags(count, arguments.data(), flags)) {
        std::fprintf(stderr, "%s: see --help for the flags\n", TOOL);
        return EXIT_USAGE;
    }
    std::vector<StatsCase> cases = stats_cases();
    if (!count_taken_branches(cases)) return EXIT_FAILED;
    ChartFile chart;
    if (flags.chart != nullptr) {
        const std::string problem = open_chart_file(flags.chart, chart);
        if (!problem.empty()) {
            std::fprintf(stderr, "%s: %s\n", TOOL, problem.c_str());
            return EXIT_USAGE;
        }
    }

    benchmark::AddCustomContext("scheduling", use_realtime_scheduling(flags.realtime));
    const Clock clock = measure_clock();
    benchmark::AddCustomContext("tick_rate", fixed(clock.ticks_per_second / 1e6, 1) + " MHz");
    benchmark::AddCustomContext(
        "ticks_per_cycle",
        fixed(clock.ticks_per_cycle, 4) + " (1000-add chain, lowest of " +
            std::to_string(REFERENCE_MEASUREMENTS) + ")");

    register_benchmarks(cases, clock);
    StatsReporter reporter(benchmark::CreateDefaultDisplayReporter(), cases);
    const std::size_t matched = benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    if (matched == 0 || reporter.headlines().empty()) {
        abandon_chart_file(chart);
        return matched == 0 ? EXIT_USAGE : 0;  // --benchmark_list_tests measures nothing
    }

    const std::vector<std::optional<Headline>> headlines = headlines_by_case(reporter, cases);
    if (reporter.console()) std::cout << placement_summary(placement_rows(headlines, cases)) << std::flush;
    if (chart.descriptor >= 0) {
        const std::string problem =
            draw_chart(chart_script(chart_points(headlines, cases), clock.ticks_per_cycle), chart);
        if (!problem.empty()) {
            std::fprintf(stderr, "%s: %s\n", TOOL, problem.c_str());
            return EXIT_FAILED;
        }
    }
    return 0;
}
