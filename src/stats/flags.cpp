#include "stats/flags.hpp"

#include <getopt.h>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <string_view>

#include <benchmark/benchmark.h>

#include "stats/placed_cases.hpp"
#include "stats/report_text.hpp"
#include "stats/segments.hpp"

const char* const DEFAULT_FLAGS[] = {
    "--benchmark_counters_tabular=true",
    "--benchmark_time_unit=us",
    // A default invocation measures some 2500 rounds of 28 copies: every round in a JSON
    // file would make it tens of megabytes.
    "--benchmark_report_aggregates_only=true",
};
const std::size_t DEFAULT_FLAG_COUNT = std::size(DEFAULT_FLAGS);

namespace {

constexpr char TOOL_HELP[] =
    "\n"
    "jumpbench-stats measures every layout of the layout list over the long sample (or the\n"
    "text of --text) and the benchmark's short-sample rows, each laid out four times with its\n"
    "kernel's entry at offset 0, 16, 32 and 48 of a 64-byte line: one benchmark per copy,\n"
    "named <layout>/<sample>/offset:<N>. It measures in rounds, in several fresh\n"
    "processes of itself one after the other (--processes, default 10): each round calls\n"
    "the meter instance of every selected copy once (1000 runs of the kernel over the long\n"
    "sample, as many bytes' worth over a text, net of the loop's own cost; a short-sample\n"
    "copy 8 times 4000 runs; the figure is the calls' net\n"
    "ticks over their runs), in an order shuffled afresh for each round, and the A/A\n"
    "control: a twin of %s (the same bytes at the same offset in\n"
    "another slot), or where that copy is not selected the first selected copy a second\n"
    "time. --benchmark_repetitions=N sets the number of rounds in\n"
    "all; without it, rounds are measured for about 24 s, shared among the processes.\n"
    "Each repetition of a benchmark is its copy's figure from one round; a figure the\n"
    "calibration cannot explain (below zero, or under a third of the copy's median) is\n"
    "reported as that repetition's error and left out. A figure is undisturbed when it is at\n"
    "most 1.3 times its copy's fast level (the 5th percentile of its figures): the\n"
    "processor's slow phases and interruptions give higher ones. Each round also times a\n"
    "chain of taken jumps against a chain of adds: above 1.4 times the run's fast level\n"
    "of that chain the round ran on a core shared with another thread (context: shared).\n"
    "Counters per scan: ticks (time-stamp counter), cycles (estimated core cycles: ticks\n"
    "over the ticks per cycle of a 1000-add chain measured first, the lowest of 7), len,\n"
    "code_bytes; and taken (the branches one scan takes, counted\n"
    "exactly as the profile tool steps it), ticks_per_taken and cycles_per_taken, and where\n"
    "the front end fetches from: line_changes, window_changes, boundary_jumps (the profile\n"
    "tool's, at the copy's own address). A cost model of the long-sample copies' cycles\n"
    "against their taken branches and line changes follows the placement table (json:\n"
    "\"model\"). Layouts whose scans end elsewhere on the text (the switch also stops at a\n"
    "blank) are not compared with the others.\n"
    "Aggregates beside the usual ones: min, and undisturbed (the copy's level: the 10th\n"
    "percentile of its undisturbed figures, the headline).\n"
    "Comparisons are ratios of two copies' levels, measured in the same rounds, with an\n"
    "interval of at least 95 % from the binomial's order statistics of the processes'\n"
    "ratios of levels (with one process, of 8 blocks of its rounds); every two layouts at\n"
    "the same offset, every copy against its layout at offset 0, and the A/A control, whose\n"
    "interval gives the run's noise band: a pair is faster or slower beyond it, the same\n"
    "within it, else unclear. The\n"
    "console shows the headline row of each benchmark, the placement table, the ratio\n"
    "tables, the A/A control and a verdict per pair; json has the aggregates and a \"pairs\"\n"
    "list, csv the aggregates (every round too with --benchmark_report_aggregates_only=false).\n"
    "\n"
    "Tool flags:\n"
    "  [--chart=<file>]            draw the headlines and the ratios into <file>, a PNG image\n"
    "                              made by gnuplot (nothing of it goes to standard output)\n"
    "  [--placement={random|fixed}] random (the default): each process lays every copy afresh\n"
    "                              at a random page and 64-byte line every 2 rounds, its\n"
    "                              offset in the line kept; fixed: the build's addresses\n"
    "  [--processes=<N>]           measure in N fresh processes, 1 to 100 (default 10); the\n"
    "                              intervals are taken over them\n"
    "  [--realtime={true|false}]   measure under SCHED_FIFO at the lowest real-time\n"
    "                              priority when permitted (default true; refused: normal)\n"
    "  [--text=<file>]             the long-sample copies scan the bytes of <file> up to its\n"
    "                              first NUL (at most 1048576) instead of the long sample\n"
    "  [-h]                        the same as --help\n"
    "\n"
    "Result files (--benchmark_out, --chart) are written beside their names and renamed into\n"
    "place when complete: a failed or interrupted run leaves an existing one as it was.\n"
    "Exit code: 0 done; 1 a write, a measuring process or the chart failed; 2 bad flags, or\n"
    "no benchmark matched; on SIGINT, SIGTERM or SIGHUP the signal's own.\n"
    "\n"
    "Defaults this tool sets (the same flag given overrides them):\n";


}  // namespace

bool help_asked = false;

void fail_on_lost_output() {
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "%s: cannot write standard output: %s\n", TOOL, std::strerror(errno));
        std::exit(EXIT_FAILED);
    }
}

void print_help() {
    // Google Benchmark calls its help printer also for a value it refuses, then exits with 0.
    if (!help_asked) {
        std::fprintf(stderr,
                     "%s: Google Benchmark refused the value of one of its flags (--benchmark_format, "
                     "--benchmark_out_format, --benchmark_time_unit, --benchmark_color); see --help\n",
                     TOOL);
        std::exit(EXIT_USAGE);
    }
    benchmark::PrintDefaultHelp();
    std::string help = TOOL_HELP;
    help.replace(help.find("%s"), 2, TWIN_OF);
    std::fputs(help.c_str(), stdout);
    for (const char* flag : DEFAULT_FLAGS) std::printf("  %s\n", flag);
    fail_on_lost_output();
    std::exit(0);
}

static std::optional<std::string_view> flag_value(std::string_view argument, std::string_view flag) {
    if (!argument.starts_with(flag) || argument.size() <= flag.size() || argument[flag.size()] != '=')
        return std::nullopt;
    return argument.substr(flag.size() + 1);
}

static bool one_of(std::string_view value, std::initializer_list<std::string_view> words) {
    return std::find(words.begin(), words.end(), value) != words.end();
}

bool read_truth(const char* text, bool& value) {
    std::string word(text);
    for (char& character : word)
        character = static_cast<char>(std::tolower(static_cast<unsigned char>(character)));
    if (one_of(word, {"true", "yes", "on", "1", "t", "y"})) value = true;
    else if (one_of(word, {"false", "no", "off", "0", "f", "n"})) value = false;
    else return false;
    return true;
}

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
            flags.out_format = *value;  // left for Google Benchmark to check
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
            flags.counters_tabular = true;  // Google Benchmark takes a word it does not know for true
            read_truth(std::string(*value).c_str(), flags.counters_tabular);
        } else if (const auto value = flag_value(text, "--benchmark_repetitions")) {
            const std::string digits(*value);
            long long rounds = 0;
            if (!read_integer(digits.c_str(), 1, 1000000, rounds))
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

int read_flags(int argc, char** argv, EarlyFlags& early, ToolFlags& tool) {
    static std::vector<char*> arguments{argv[0]};  // Google Benchmark keeps pointers into them
    for (const char* flag : DEFAULT_FLAGS) arguments.push_back(const_cast<char*>(flag));
    static char help[] = "--help";
    for (int index = 1; index < argc; ++index) {
        const std::string_view argument(argv[index]);
        help_asked |= argument == "-h" || argument == "--help" || argument.starts_with("--help=");
        arguments.push_back(argument == "-h" ? help : argv[index]);
    }
    if (!help_asked && !parse_early_flags(arguments, early)) return EXIT_USAGE;
    // One iteration per repetition: a repetition is one meter call, one round's figure.
    static char no_min_time[] = "--benchmark_min_time=0";
    static char no_warmup[] = "--benchmark_min_warmup_time=0";
    arguments.insert(arguments.end(), {no_min_time, no_warmup, nullptr});
    int count = static_cast<int>(arguments.size()) - 1;
    benchmark::Initialize(&count, arguments.data(), print_help);
    if (parse_tool_flags(count, arguments.data(), tool)) return -1;
    std::fprintf(stderr, "%s: see --help for the flags\n", TOOL);
    return EXIT_USAGE;
}


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
    enum { CHART = 1, PROCESSES, REALTIME, TEXT, PLACEMENT };
    const option options[] = {
        {"chart", required_argument, nullptr, CHART},
        {"text", required_argument, nullptr, TEXT},
        {"processes", required_argument, nullptr, PROCESSES},
        {"realtime", optional_argument, nullptr, REALTIME},
        {"placement", required_argument, nullptr, PLACEMENT},
        {nullptr, 0, nullptr, 0},
    };
    for (int found; (found = getopt_long(argc, argv, "", options, nullptr)) != -1;) {
        if (found == CHART) {
            flags.chart = optarg;
        } else if (found == TEXT) {
            flags.text = optarg;
        } else if (found == PROCESSES) {
            long long processes = 0;
            if (!read_integer(optarg, 1, MOST_PROCESSES, processes)) {
                std::fprintf(stderr, "%s: --processes takes a whole number from 1 to %d, not '%s'\n",
                             TOOL, MOST_PROCESSES, optarg);
                return false;
            }
            flags.processes = static_cast<int>(processes);
        } else if (found == PLACEMENT) {
            const std::string_view placement(optarg);
            if (placement != "random" && placement != "fixed") {
                std::fprintf(stderr, "%s: --placement takes random or fixed, not '%s'\n", TOOL, optarg);
                return false;
            }
            flags.fixed_places = placement == "fixed";
        } else if (found == REALTIME) {
            if (optarg != nullptr && !read_truth(optarg, flags.realtime)) {
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
