// jumpbench-stats: every kernel copy of the benchmark's case table measured many times, in
// rounds, in several fresh processes of this tool, reported as a Google Benchmark program.
// Google Benchmark runs twice: first only to learn which benchmarks its flags select; then,
// once the rounds are measured, to report them: one benchmark per copy, one repetition per
// round, whose one iteration replays that round's figure. So Google Benchmark's flags,
// reporters and aggregates work as for any of its programs, while the order of the
// measurements is the rounds'. The tool adds --chart, --processes and --realtime, the
// paired ratios with the A/A control and the shared-processor share (console and JSON),
// and gives some of Google Benchmark's flags other defaults. This file only wires the
// parts together.
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include <benchmark/benchmark.h>

#include "meter/architecture.hpp"
#include "meter/emulation.hpp"
#include "stats/chart.hpp"
#include "stats/flags.hpp"
#include "stats/counter_pass.hpp"
#include "stats/measure.hpp"
#include "stats/output_file.hpp"
#include "stats/paired.hpp"
#include "stats/placed_cases.hpp"
#include "stats/realtime.hpp"
#include "stats/results.hpp"
#include "stats/segments.hpp"
#include "stats/stats_reporter.hpp"
#include "stats/texts.hpp"

namespace {

std::string fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

void say(const std::string& problem) { std::fprintf(stderr, "%s: %s\n", TOOL, problem.c_str()); }

// The A/A control: the twin where its copy is selected (given as the case list's size),
// else the first selected long-sample copy called twice, else the first selected copy.
std::optional<std::size_t> aa_case(const std::vector<StatsCase>& cases, const std::vector<bool>& selected) {
    std::optional<std::size_t> first, first_long;
    for (std::size_t index = 0; index < cases.size(); ++index) {
        if (!selected[index]) continue;
        if (cases[index].name == TWIN_OF) return cases.size();
        if (!first) first = index;
        if (!first_long && cases[index].sample == "long") first_long = index;
    }
    return first_long ? first_long : first;
}

// The plain words for a run most of whose rounds ran on a shared core.
std::string shared_run_words(const SharedShare& shared) {
    return "the processor was shared with another thread in " + fixed(100 * shared.share(), 0) +
           " % of the rounds: its figures are a shared core's, slower and with other ratios than "
           "on a core of its own; measure again when the machine is quieter";
}

// The processor's counters per scan of the long-sample copies, where the kernel offers
// them to this thread (counter_pass.hpp), and the context lines that say what came of it.
// Where it does not (a virtual machine without them, a kernel or emulator without perf
// events), one line says so and nothing else changes.
void count_with_processor_counters(std::vector<StatsCase>& cases, const std::vector<bool>& selected) {
    CounterGroup group;
    std::string reason;
    if (!open_counters(PROCESSOR_EVENTS, MAX_COUNTERS, group, reason)) {
        benchmark::AddCustomContext("hardware_counters", "not available (" + reason + ")");
        return;
    }
    const std::string problem = count_with_counters(cases, selected, group);
    close_counters(group);
    if (!problem.empty()) {
        benchmark::AddCustomContext("hardware_counters", "available, but " + problem);
        return;
    }
    std::string untrusted;
    for (const StatsCase& stats_case : cases)
        if (stats_case.pmu && !stats_case.pmu->trusted)
            untrusted += (untrusted.empty() ? "" : "; ") + stats_case.name + ": " + stats_case.pmu->reason;
    benchmark::AddCustomContext(
        "hardware_counters",
        "available: pmu_cycles, pmu_instructions, pmu_branches, pmu_branch_misses per scan of each "
        "long-sample copy (its meter called 8 times at its run count and at half of it after the "
        "rounds, the meter's own work removed)" +
            std::string(untrusted.empty() ? "" : "; untrusted (pmu_trusted 0): " + untrusted));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::string_view(argv[1]) == SEGMENT_FLAG)
    {
        // The measuring processes scan the text the first one took.
        if (const std::string problem = use_passed_text(); !problem.empty()) {
            std::fprintf(stderr, "%s: %s\n", TOOL, problem.c_str());
            return EXIT_FAILED;
        }
        return run_segment(stats_cases(), argc - 2, argv + 2);
    }
    prepare_output(TOOL);
    std::vector<char*> arguments{argv[0]};
    for (std::size_t index = 0; index < DEFAULT_FLAG_COUNT; ++index)
        arguments.push_back(const_cast<char*>(DEFAULT_FLAGS[index]));
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

    // The text, then the files: neither costs measuring time when it cannot be used.
    ToolText text;
    if (const std::string problem = use_stats_text(flags.text, text); !problem.empty()) {
        say(problem);
        return EXIT_USAGE;
    }
    pass_text_on(text, flags.text);

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

    // The rounds, in processes of their own.
    std::vector<std::vector<double>> ticks(cases.size());
    Segments segments;
    SegmentPlan plan;
    for (std::size_t index = 0; index < cases.size(); ++index)
        if (selected[index]) plan.order.push_back(index);
    plan.again = aa_case(cases, selected);
    plan.rounds = early.rounds;
    plan.processes = flags.processes;
    plan.realtime = flags.realtime;
    Clock clock{};
    const bool measuring = !plan.order.empty();
    const char* const emulator = running_emulator();
    if (measuring) {
        if (const std::string problem = count_scan_facts(cases, selected); !problem.empty()) {
            say(problem);
            abandon_files();
            return EXIT_FAILED;
        }
        const std::string executable = own_executable();
        if (executable.empty()) {
            say("cannot find its own executable to start the measuring processes");
            abandon_files();
            return EXIT_FAILED;
        }
        benchmark::AddCustomContext("architecture", ARCHITECTURE_NAME);
        // Under an emulator every figure is the emulator's: said in the report itself, so
        // that a JSON file or a chart made there cannot be taken for a measurement.
        if (emulator != nullptr) benchmark::AddCustomContext("emulated", emulator);
        benchmark::AddCustomContext("scheduling", use_realtime_scheduling(flags.realtime));
        measure_scan_lengths(cases, selected);
        benchmark::AddCustomContext("text", text_context(text));
        if (const std::string words = uncompared_layouts(cases, selected); !words.empty())
            benchmark::AddCustomContext("not_paired", words);
        clock = measure_clock();
        benchmark::AddCustomContext("tick_rate", fixed(clock.ticks_per_second / 1e6, 1) + " MHz");
        benchmark::AddCustomContext(
            "ticks_per_cycle",
            fixed(clock.ticks_per_cycle, 4) + " (1000-add chain, lowest of " +
                std::to_string(REFERENCE_MEASUREMENTS) + ")");
        if (const std::string problem = measure_segments(executable, plan, segments); !problem.empty()) {
            say(problem);
            abandon_files();
            return EXIT_FAILED;
        }
        for (std::size_t position = 0; position < plan.order.size(); ++position)
            ticks[plan.order[position]] = segments.rounds.ticks[position];
        count_with_processor_counters(cases, selected);
    }
    const int rounds = measuring ? static_cast<int>(segments.rounds.rounds()) : early.rounds.value_or(1);
    std::vector<std::vector<bool>> unexplained;
    std::size_t figures_count = 0, undisturbed_count = 0;
    for (const std::vector<double>& figures : ticks) {
        unexplained.push_back(unexplained_figures(figures));
        const std::vector<bool> undisturbed = undisturbed_figures(figures);
        figures_count += figures.size();
        undisturbed_count += std::count(undisturbed.begin(), undisturbed.end(), true);
    }
    const Results results = results_of(cases, ticks, unexplained, plan.again, segments.rounds.again,
                                       segments.segment_rounds, segments.rounds.probes);
    if (measuring) {
        const std::size_t processes = segments.segment_rounds.size();
        benchmark::AddCustomContext(
            "rounds", std::to_string(rounds) + " in " + std::to_string(processes) +
                          (processes == 1 ? " process" : " processes") +
                          " (every selected copy once per round, in a new random order each "
                          "round; the A/A control: " +
                          (*plan.again == cases.size() ? std::string(TWIN_OF) + " and its twin, the same bytes at "
                                                                                "the same offset in another slot"
                                                       : cases[*plan.again].name + " called twice") + ")");
        benchmark::AddCustomContext(
            "intervals",
            processes > 1 ? "over the " + std::to_string(processes) + " processes" +
                                (processes > SEGMENT_BLOCKS
                                     ? " in " + std::to_string(SEGMENT_BLOCKS) + " blocks of consecutive ones"
                                     : std::string()) +
                                ": each a fresh process of this tool, the median ratio of each " +
                                (processes > SEGMENT_BLOCKS ? "block" : "process") +
                                " one value; they cover what another invocation gives"
                          : "over " + std::to_string(INTERVAL_BLOCKS) +
                                " blocks of one process's rounds: they cover that process only, "
                                "not what another invocation gives (--processes)");
        // How much of the run the machine left alone: the share the headlines and ratios use.
        benchmark::AddCustomContext(
            "undisturbed", fixed(100.0 * undisturbed_count / figures_count, 0) +
                               " % of the figures (at most " + fixed(UNDISTURBED_BAND, 1) +
                               " times their copy's fast level; the headlines and ratios use these)");
        benchmark::AddCustomContext(
            "shared", fixed(100 * results.shared.share(), 0) +
                          " % of the rounds (the core shared with another thread: a chain of taken "
                          "jumps timed against an add chain at the start of every round, above " +
                          fixed(SHARED_ABOVE_FAST, 1) + " times the run's fast level of " +
                          fixed(results.shared.fast_level, 2) + " core cycles per jump; median " +
                          fixed(results.shared.median, 2) + ")");
        if (results.shared.whole_run())
            benchmark::AddCustomContext("processor_shared", shared_run_words(results.shared));
    }
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
    benchmark::BenchmarkReporter* file =
        out.descriptor >= 0 ? file_reporter(early.out_format, early.counters_tabular) : nullptr;
    if (file != nullptr) {
        file->SetOutputStream(&file_text);
        file->SetErrorStream(&file_text);
    }
    StatsReporter reporter(shown, file);
    reporter.SetOutputStream(&shown_text);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::string output = shown_text.str(), file_output = file_text.str();
    if (measuring) {
        const std::string warning =
            results.shared.whole_run() ? "\nWARNING: " + shared_run_words(results.shared) + ".\n" : "";
        const ModelOfCopies model = cost_model_of(results, cases, clock.ticks_per_cycle);
        const std::string summary = warning + placement_summary(placement_rows(results, cases)) +
                                    cost_model_text(model.model, model.copies) +
                                    ratio_tables(results.pairs, results.copies);
        const std::string pairs =
            pairs_json(results.pairs, results.copies, results.names, interval_over(results));
        const std::string model_json = cost_model_json(model.model, model.copies, model.cycles);
        const auto with_all = [&](const std::string& report) {
            return with_model(with_pairs(report, pairs), model_json);
        };
        if (reporter.console()) output += summary;
        else if (output.starts_with("{")) output = with_all(output);  // json
        if (early.out_format == "json") file_output = with_all(file_output);
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
            std::string title = std::string(TOOL) + " (" + ARCHITECTURE_NAME +
                                "): ticks per scan of each kernel copy (median of its undisturbed figures of " +
                                std::to_string(rounds) + " rounds in " +
                                std::to_string(results.segments) +
                                " processes), and the paired ratios with their 95 % intervals";
            if (emulator != nullptr)
                title += std::string("\\nunder ") + emulator +
                         ", an emulator: every figure is the emulator's, not this processor's";
            if (results.shared.whole_run()) title += "\\n" + shared_run_words(results.shared);
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
