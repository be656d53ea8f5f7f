// jumpbench-stats: every kernel copy of the benchmark's case table measured many times in
// this one process, in rounds, as a Google Benchmark program. Google Benchmark runs twice:
// first only to learn which benchmarks its flags select; then, once this tool has
// measured the rounds itself, to report them: one benchmark per copy, one repetition per
// round, whose one iteration replays that round's figure. So Google Benchmark's flags,
// reporters and aggregates work as for any of its programs, while the order of the
// measurements is the rounds'. The tool adds --chart and --realtime, the paired ratios
// (console and JSON), and gives some of Google Benchmark's flags other defaults.
#include <getopt.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include <benchmark/benchmark.h>

#include "meter/architecture.hpp"
#include "meter/emulation.hpp"
#include "profile/scan_profile.hpp"
#include "run/bench_cases.hpp"
#include "stats/chart.hpp"
#include "stats/measure.hpp"
#include "stats/output_file.hpp"
#include "stats/paired.hpp"
#include "stats/placed_cases.hpp"
#include "stats/placement.hpp"
#include "stats/realtime.hpp"
#include "stats/stats_reporter.hpp"

namespace {

constexpr char TOOL[] = "jumpbench-stats";
constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;

// Google Benchmark's flags with the tool's defaults, given before the user's arguments so
// that a flag the user gives wins.
const char* const DEFAULT_FLAGS[] = {
    "--benchmark_counters_tabular=true",
    "--benchmark_time_unit=us",
    // A default invocation measures some 2400 rounds of 28 copies: every round in a JSON
    // file would make it 45 MB.
    "--benchmark_report_aggregates_only=true",
};

constexpr char TOOL_HELP[] =
    "\n"
    "jumpbench-stats measures every row of the benchmark's case table in this process, laid\n"
    "out four times with its kernel's entry at offset 0, 16, 32 and 48 of a 64-byte line:\n"
    "one benchmark per copy, named <layout>/<sample>/offset:<N>. It measures in rounds:\n"
    "each round calls the meter instance of every selected copy once (1000 runs of the\n"
    "kernel, net of the loop's own cost; a short-sample copy 8 times 4000 runs, their\n"
    "mean), in an order shuffled afresh for each round. --benchmark_repetitions=N sets\n"
    "the number of rounds; without it, rounds are measured for about 25 s (at least 6, at\n"
    "most 50000). Each repetition of a benchmark is its copy's figure from one round; a\n"
    "figure the calibration cannot explain (below zero, or under a third of the copy's\n"
    "median) is reported as that repetition's error and left out. A figure is undisturbed\n"
    "when it is at most 1.3 times its copy's fast level (the 5th percentile of its\n"
    "figures): the processor's slow phases and interruptions give higher ones.\n"
    "Counters per scan: ticks (time-stamp counter), cycles (estimated core cycles: ticks\n"
    "over the ticks per cycle of a 1000-add chain measured first, the lowest of 7), len,\n"
    "code_bytes; for long-sample copies also taken (the branches one scan takes, counted\n"
    "exactly under the single-step trap), ticks_per_taken and cycles_per_taken.\n"
    "Aggregates beside the usual ones: min, and undisturbed (the median of the undisturbed\n"
    "figures, the headline).\n"
    "Comparisons are paired within rounds: the median of the per-round ratios of two\n"
    "copies' ticks over the rounds where both are undisturbed, with an interval of at\n"
    "least 95 % from the binomial's order statistics of the medians of 8 blocks of\n"
    "consecutive rounds; every two layouts at the same offset, and every copy against its\n"
    "layout at offset 0. The console shows the headline row of each benchmark, the\n"
    "placement table, the ratio tables and a verdict per pair; json has the aggregates and\n"
    "a \"pairs\" list, csv the aggregates (every round too with\n"
    "--benchmark_report_aggregates_only=false).\n"
    "\n"
    "Tool flags:\n"
    "  [--chart=<file>]            draw the headlines and the ratios into <file>, a PNG image\n"
    "                              made by gnuplot (nothing of it goes to standard output)\n"
    "  [--realtime={true|false}]   measure under SCHED_FIFO at the lowest real-time\n"
    "                              priority when permitted (default true; refused: normal)\n"
    "  [-h]                        the same as --help\n"
    "\n"
    "Result files (--benchmark_out, --chart) are written beside their names and renamed into\n"
    "place when complete: a failed or interrupted run leaves an existing one as it was.\n"
    "Exit code: 0 done; 1 a write or the chart failed; 2 bad flags, or no benchmark matched;\n"
    "on SIGINT, SIGTERM or SIGHUP the signal's own.\n"
    "\n"
    "Defaults this tool sets (the same flag given overrides them):\n";

bool help_asked = false;

void fail_on_lost_output() {
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "%s: cannot write standard output: %s\n", TOOL, std::strerror(errno));
        std::exit(EXIT_FAILED);
    }
}

// Called by Google Benchmark for --help, and also when it finds a value it does not take
// in one of its flags (then it would exit with 0 after the help text). The tool checks
// those values itself first, so the second is a value it did not foresee.
void print_help() {
    if (!help_asked) {
        std::fprintf(stderr, "%s: Google Benchmark refused the value of one of its flags; see --help\n",
                     TOOL);
        std::exit(EXIT_USAGE);
    }
    benchmark::PrintDefaultHelp();
    std::fputs(TOOL_HELP, stdout);
    for (const char* flag : DEFAULT_FLAGS) std::printf("  %s\n", flag);
    fail_on_lost_output();
    std::exit(0);
}

// The flags this tool reads before Google Benchmark does: it writes the --benchmark_out
// file itself (into a temporary file, renamed when complete), takes the rounds from
// --benchmark_repetitions, and checks the values Google Benchmark would refuse without
// naming them.
struct EarlyFlags {
    const char* out = nullptr;
    std::string out_format = "json";
    std::optional<int> rounds;
    bool counters_tabular = true;
};

std::optional<std::string_view> flag_value(std::string_view argument, std::string_view flag) {
    if (!argument.starts_with(flag) || argument.size() <= flag.size() || argument[flag.size()] != '=')
        return std::nullopt;
    return argument.substr(flag.size() + 1);
}

bool one_of(std::string_view value, std::initializer_list<std::string_view> words) {
    return std::find(words.begin(), words.end(), value) != words.end();
}

// Takes --benchmark_out and --benchmark_out_format out of the arguments; false with a
// message for a value that cannot be used.
bool parse_early_flags(std::vector<char*>& arguments, EarlyFlags& flags) {
    std::vector<char*> kept;
    for (char* argument : arguments) {
        const std::string_view text(argument);
        bool keep = true;
        std::string problem;
        if (const auto value = flag_value(text, "--benchmark_out")) {
            flags.out = argument + (text.size() - value->size());
            keep = false;
            if (value->empty()) problem = "--benchmark_out takes a file name, not ''";
        } else if (const auto value = flag_value(text, "--benchmark_out_format")) {
            flags.out_format = *value;
            keep = false;
            if (!one_of(*value, {"json", "console", "csv"}))
                problem = "--benchmark_out_format takes json, console or csv, not '" +
                          std::string(*value) + "'";
        } else if (const auto value = flag_value(text, "--benchmark_format")) {
            if (!one_of(*value, {"console", "json", "csv"}))
                problem = "--benchmark_format takes console, json or csv, not '" +
                          std::string(*value) + "'";
        } else if (const auto value = flag_value(text, "--benchmark_time_unit")) {
            if (!one_of(*value, {"ns", "us", "ms", "s"}))
                problem = "--benchmark_time_unit takes ns, us, ms or s, not '" +
                          std::string(*value) + "'";
        } else if (const auto value = text.starts_with("--benchmark_min_time=")
                                          ? flag_value(text, "--benchmark_min_time")
                                          : flag_value(text, "--benchmark_min_warmup_time")) {
            const std::string seconds(*value);
            char* end = nullptr;
            if (seconds.empty() || std::strtod(seconds.c_str(), &end) != 0 || *end != '\0')
                problem = std::string(text.substr(0, text.size() - value->size() - 1)) +
                          " must stay 0, not '" + seconds + "': a repetition is one round's "
                          "figure, one meter call (--benchmark_repetitions sets the rounds)";
        } else if (const auto value = flag_value(text, "--benchmark_counters_tabular")) {
            flags.counters_tabular = !one_of(*value, {"false", "no", "0", "f", "n"});
        } else if (const auto value = flag_value(text, "--benchmark_repetitions")) {
            const std::string digits(*value);
            char* end = nullptr;
            errno = 0;
            const long rounds = std::strtol(digits.c_str(), &end, 10);
            if (digits.empty() || *end != '\0' || errno != 0 || rounds < 1 || rounds > 1000000)
                problem = "--benchmark_repetitions (the number of rounds) takes a whole number "
                          "from 1 to 1000000, not '" + digits + "'";
            else
                flags.rounds = static_cast<int>(rounds);
        }
        if (!problem.empty()) {
            std::fprintf(stderr, "%s: %s\n", TOOL, problem.c_str());
            return false;
        }
        if (keep) kept.push_back(argument);
    }
    arguments = kept;
    return true;
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
    for (int index = 1; index < argc; ++index)
        if (std::string_view(argv[index]).starts_with("--benchmark_") ||
            std::string_view(argv[index]).starts_with("--v=")) {
            // Google Benchmark leaves a flag of its own whose value it cannot read.
            std::fprintf(stderr,
                         "%s: Google Benchmark did not take '%s' (no such flag, or a value of "
                         "the wrong kind)\n",
                         TOOL, argv[index]);
            return false;
        }
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
                             placement, placed.runs});
        }
    return cases;
}

// The taken branches of every selected long-sample copy, from one scan of it under the
// profile. False, with the profile's error on standard error, when a copy cannot be stepped.
bool count_taken_branches(std::vector<StatsCase>& cases, const std::vector<bool>& selected) {
    for (std::size_t index = 0; index < cases.size(); ++index) {
        StatsCase& stats_case = cases[index];
        if (!selected[index] || stats_case.sample != "long") continue;
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

benchmark::BenchmarkReporter* file_reporter(const EarlyFlags& flags) {
    // Google Benchmark marks its CSV reporter as one it will drop, but still makes it for
    // --benchmark_out_format=csv itself; the tool gives the same.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (flags.out_format == "csv") return new benchmark::CSVReporter;
#pragma GCC diagnostic pop
    if (flags.out_format == "console")
        return new benchmark::ConsoleReporter(flags.counters_tabular
                                                  ? benchmark::ConsoleReporter::OO_Tabular
                                                  : benchmark::ConsoleReporter::OO_None);
    return new benchmark::JSONReporter;
}

// What the rounds gave: each measured copy's figures, its headline, the pairs.
struct Results {
    std::vector<std::size_t> measured;  // the cases, in the case list's order
    std::vector<RoundFigures> copies;   // by measured's index
    std::vector<std::string> names;     // the benchmarks' names, by measured's index
    std::vector<double> headlines;      // ticks per scan, by measured's index
    std::vector<PairedRatio> pairs;
};

Results results_of(const std::vector<StatsCase>& cases,
                   const std::vector<std::vector<double>>& ticks,
                   const std::vector<std::vector<bool>>& unexplained) {
    Results results;
    for (std::size_t index = 0; index < cases.size(); ++index) {
        if (ticks[index].empty()) continue;
        results.measured.push_back(index);
        results.copies.push_back({cases[index].layout, cases[index].sample,
                                  PLACEMENT_OFFSETS[cases[index].placement], ticks[index]});
        // Google Benchmark adds /manual_time to the name of a benchmark timed by hand.
        results.names.push_back(cases[index].name + "/manual_time");
        std::vector<double> explained;
        for (std::size_t round = 0; round < ticks[index].size(); ++round)
            if (!unexplained[index][round]) explained.push_back(ticks[index][round]);
        results.headlines.push_back(undisturbed_median(explained));
    }
    results.pairs = paired_ratios(results.copies);
    return results;
}

std::vector<PlacementRow> placement_rows(const Results& results, const std::vector<StatsCase>& cases) {
    std::vector<PlacementRow> rows;
    for (std::size_t row = 0; row < BENCH_CASE_COUNT; ++row) {
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

std::string placement_name(int offset) { return "offset " + std::to_string(offset); }

std::vector<ChartPoint> chart_points(const Results& results) {
    std::vector<ChartPoint> points;
    for (std::size_t index = 0; index < results.copies.size(); ++index)
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
        ratios.push_back({first.sample, placement,
                          placement ? first.layout
                                    : first.layout + " / " + results.copies[pair.second].layout,
                          placement_name(first.offset), pair.ratio.median,
                          pair.ratio.low.value_or(std::nan("")), pair.ratio.high.value_or(std::nan(""))});
    }
    return ratios;
}

void say(const std::string& problem) { std::fprintf(stderr, "%s: %s\n", TOOL, problem.c_str()); }

}  // namespace

int main(int argc, char** argv) {
    prepare_output(TOOL);
    std::vector<char*> arguments{argv[0]};
    for (const char* flag : DEFAULT_FLAGS) arguments.push_back(const_cast<char*>(flag));
    static char help[] = "--help";
    for (int index = 1; index < argc; ++index) {
        const std::string_view argument(argv[index]);
        const bool asks_help = argument == "-h" || argument == "--help" || argument.starts_with("--help=");
        help_asked |= asks_help;
        arguments.push_back(argument == "-h" ? help : argv[index]);
    }
    EarlyFlags early;
    if (!help_asked && !parse_early_flags(arguments, early)) return EXIT_USAGE;
    // One iteration per repetition: a repetition is one meter call, one round's figure.
    static char no_min_time[] = "--benchmark_min_time=0";
    static char no_warmup[] = "--benchmark_min_warmup_time=0";
    arguments.push_back(no_min_time);
    arguments.push_back(no_warmup);
    arguments.push_back(nullptr);
    int count = static_cast<int>(arguments.size()) - 1;
    benchmark::Initialize(&count, arguments.data(), print_help);

    ToolFlags flags;
    if (!parse_tool_flags(count, arguments.data(), flags)) {
        say("see --help for the flags");
        return EXIT_USAGE;
    }

    // The files first: a name that cannot be written costs no measuring time.
    OutputFile out, chart;
    if (early.out != nullptr) {
        const std::string problem = open_output_file(early.out, true, out);
        if (!problem.empty()) {
            say(problem);
            return EXIT_FAILED;
        }
    }
    if (flags.chart != nullptr) {
        std::string problem = open_output_file(flags.chart, false, chart);
        struct stat chart_status, output_status;
        if (problem.empty() && stat(flags.chart, &chart_status) == 0 &&
            fstat(STDOUT_FILENO, &output_status) == 0 && chart_status.st_dev == output_status.st_dev &&
            chart_status.st_ino == output_status.st_ino)
            problem = "'" + std::string(flags.chart) + "' is standard output";
        if (!problem.empty()) {
            abandon_output_file(out);
            abandon_output_file(chart);
            say("the chart file: " + problem);
            return EXIT_USAGE;
        }
    }
    const auto abandon_files = [&] {
        abandon_output_file(out);
        abandon_output_file(chart);
    };

    // The first pass: which benchmarks the flags select (none with --benchmark_list_tests).
    std::vector<StatsCase> cases = stats_cases();
    std::vector<bool> selected;
    register_selection(cases, selected);
    SilentReporter silent;
    std::ostringstream discarded;
    silent.SetOutputStream(&discarded);
    if (benchmark::RunSpecifiedBenchmarks(&silent) == 0) {  // Google Benchmark has said so
        abandon_files();
        return EXIT_USAGE;
    }
    benchmark::ClearRegisteredBenchmarks();

    // The rounds.
    std::vector<std::vector<double>> ticks(cases.size());
    int rounds = early.rounds.value_or(1);
    Clock clock{};
    const bool measuring = std::find(selected.begin(), selected.end(), true) != selected.end();
    const char* const emulator = running_emulator();
    if (measuring) {
        if (!count_taken_branches(cases, selected)) {
            abandon_files();
            return EXIT_FAILED;
        }
        benchmark::AddCustomContext("architecture", ARCHITECTURE_NAME);
        // Under an emulator every figure is the emulator's: said in the report itself, so
        // that a JSON file or a chart made there cannot be taken for a measurement.
        if (emulator != nullptr) benchmark::AddCustomContext("emulated", emulator);
        benchmark::AddCustomContext("scheduling", use_realtime_scheduling(flags.realtime));
        clock = measure_clock();
        benchmark::AddCustomContext("tick_rate", fixed(clock.ticks_per_second / 1e6, 1) + " MHz");
        benchmark::AddCustomContext(
            "ticks_per_cycle",
            fixed(clock.ticks_per_cycle, 4) + " (1000-add chain, lowest of " +
                std::to_string(REFERENCE_MEASUREMENTS) + ")");
        rounds = measure_rounds(cases, selected, early.rounds, ticks);
        benchmark::AddCustomContext(
            "rounds", std::to_string(rounds) +
                          " (every selected copy once per round, in a new random order each round)");
    }
    std::vector<std::vector<bool>> unexplained;
    std::size_t figures_count = 0, undisturbed_count = 0;
    for (const std::vector<double>& figures : ticks) {
        unexplained.push_back(unexplained_figures(figures));
        const std::vector<bool> undisturbed = undisturbed_figures(figures);
        figures_count += figures.size();
        undisturbed_count += std::count(undisturbed.begin(), undisturbed.end(), true);
    }
    // How much of the run the machine left alone: the share the headlines and ratios use.
    if (measuring)
        benchmark::AddCustomContext(
            "undisturbed", fixed(100.0 * undisturbed_count / figures_count, 0) +
                               " % of the figures (at most " + fixed(UNDISTURBED_BAND, 1) +
                               " times their copy's fast level; the headlines and ratios use these)");
    std::vector<Replay> replays;
    for (std::size_t index = 0; index < cases.size(); ++index)
        replays.push_back({&cases[index], &ticks[index], &unexplained[index], &clock});
    register_replays(replays);
    // Google Benchmark reads its flags again; those not given keep their values.
    std::string rounds_flag = "--benchmark_repetitions=" + std::to_string(rounds);
    char* rounds_arguments[] = {argv[0], rounds_flag.data(), nullptr};
    int rounds_count = 2;
    benchmark::Initialize(&rounds_count, rounds_arguments, print_help);

    // The second pass: Google Benchmark's reports of the rounds' figures, kept until the
    // whole output is made.
    std::ostringstream shown_text, file_text;
    benchmark::BenchmarkReporter* shown = benchmark::CreateDefaultDisplayReporter();
    shown->SetOutputStream(&shown_text);
    benchmark::BenchmarkReporter* file = out.descriptor >= 0 ? file_reporter(early) : nullptr;
    if (file != nullptr) {
        file->SetOutputStream(&file_text);
        file->SetErrorStream(&file_text);
    }
    StatsReporter reporter(shown, file);
    reporter.SetOutputStream(&shown_text);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::string output = shown_text.str(), file_output = file_text.str();
    const Results results = results_of(cases, ticks, unexplained);
    if (measuring) {
        const std::string summary = placement_summary(placement_rows(results, cases)) +
                                    ratio_tables(results.pairs, results.copies);
        const std::string pairs = pairs_json(results.pairs, results.copies, results.names);
        if (reporter.console()) output += summary;
        else if (output.starts_with("{")) output = with_pairs(output, pairs);  // json
        if (early.out_format == "json") file_output = with_pairs(file_output, pairs);
        if (early.out_format == "console") file_output += summary;
    }

    int status = 0;
    if (const std::string problem = write_standard_output(output); !problem.empty()) {
        say(problem);
        status = EXIT_FAILED;
    }
    if (out.descriptor >= 0) {
        if (const std::string problem = commit_output_file(out, file_output); !problem.empty()) {
            say(problem + "; the file is as it was");
            status = EXIT_FAILED;
        }
    }
    if (chart.descriptor >= 0) {
        std::string image;
        std::string problem;
        if (measuring) {
            const std::string title = std::string(TOOL) + " (" + ARCHITECTURE_NAME +
                                      "): ticks per scan of each kernel copy (median of its undisturbed figures of " +
                                      std::to_string(rounds) +
                                      " rounds), and the paired ratios with their 95 % intervals" +
                                      (emulator != nullptr
                                           ? std::string("\\nunder ") + emulator +
                                                 ", an emulator: every figure is the emulator's, "
                                                 "not this processor's"
                                           : std::string());
            problem = draw_chart(
                chart_script(chart_points(results), chart_ratios(results), clock.ticks_per_cycle, title),
                image);
            if (problem.empty()) problem = commit_output_file(chart, image);
        }
        abandon_output_file(chart);  // --benchmark_list_tests: nothing to draw
        if (!problem.empty()) {
            say(problem);
            status = EXIT_FAILED;
        }
    }
    return status;
}
