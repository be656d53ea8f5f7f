// jumpbench-stats: every kernel copy of the benchmark's case table measured many times, in
// rounds, in several fresh processes of this tool, reported as a Google Benchmark program.
// Google Benchmark runs twice: first only to learn which benchmarks its flags select; then,
// once the rounds are measured, to report them: one benchmark per copy, one repetition per
// round, whose one iteration replays that round's figure. So Google Benchmark's flags,
// reporters and aggregates work as for any of its programs, while the order of the
// measurements is the rounds'. The tool adds --chart, --processes, --realtime and --text,
// the paired ratios with the A/A control, the cost model and the shared-processor share
// (console and JSON). This file only wires the parts together.
#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <string_view>

#include <benchmark/benchmark.h>

#include "stats/chart.hpp"
#include "stats/invocation.hpp"
#include "stats/texts.hpp"

namespace {

int fail(const std::string& problem, int status, Invocation* invocation = nullptr) {
    std::fprintf(stderr, "%s: %s\n", TOOL, problem.c_str());
    if (invocation != nullptr) abandon_result_files(*invocation);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::string_view(argv[1]) == SEGMENT_FLAG) {
        // The measuring processes scan the text the first one took.
        if (const std::string problem = use_passed_text(); !problem.empty()) return fail(problem, EXIT_FAILED);
        return run_segment(stats_cases(), argc - 2, argv + 2);
    }
    prepare_output(TOOL);
    Invocation invocation;
    if (const int status = read_flags(argc, argv, invocation.early, invocation.flags); status >= 0) return status;
    // The text, then the files: neither costs measuring time when it cannot be used.
    ToolText text;
    if (const std::string problem = use_stats_text(invocation.flags.text, text); !problem.empty())
        return fail(problem, EXIT_USAGE);
    pass_text_on(text, invocation.flags.text);
    if (const std::string problem = open_result_files(invocation); !problem.empty())
        return fail(problem, problem.starts_with("the chart file") ? EXIT_USAGE : EXIT_FAILED);

    // The first pass: which benchmarks the flags select (none with --benchmark_list_tests).
    std::vector<StatsCase> cases = stats_cases();
    std::vector<bool> selected;
    if (!select_benchmarks(cases, selected)) {  // Google Benchmark has said so
        abandon_result_files(invocation);
        return EXIT_USAGE;
    }
    Measurement measurement;
    const bool measuring = std::count(selected.begin(), selected.end(), true) > 0;
    if (measuring)
        if (const std::string problem = measure_selected(invocation, text, cases, selected, measurement);
            !problem.empty())
            return fail(problem, EXIT_FAILED, &invocation);
    const Outcome outcome = outcome_of(cases, measurement);
    if (measuring)
        for (const ContextLine& line : run_context(measurement.facts, cases))
            benchmark::AddCustomContext(line.key, line.text);

    // The second pass: Google Benchmark's reports of the rounds' figures, kept until the
    // whole output is made.
    std::vector<Replay> replays;
    for (std::size_t index = 0; index < cases.size(); ++index)
        replays.push_back({&cases[index], &measurement.ticks[index], &outcome.unexplained[index],
                           &measurement.facts.clock});
    const int rounds = measuring ? static_cast<int>(measurement.facts.rounds) : invocation.early.rounds.value_or(1);
    std::ostringstream shown_text, file_text;
    const bool complete = report_replays(replays, rounds, invocation, outcome.report, shown_text, file_text);
    // Some copies not measured (the context's failed line says which): the others stand.
    int status = measurement.facts.failed > 0 ? EXIT_FAILED : 0;
    if (!complete) status = fail("Google Benchmark's JSON report did not end as expected: no pairs or model", EXIT_FAILED);
    if (const std::string problem = write_standard_output(shown_text.str()); !problem.empty())
        status = fail(problem, EXIT_FAILED);
    if (invocation.out.descriptor >= 0)
        if (const std::string problem = commit_output_file(invocation.out, file_text.str()); !problem.empty())
            status = fail(problem + "; the file is as it was", EXIT_FAILED);
    if (invocation.chart.descriptor >= 0) {
        std::string image, problem;
        if (measuring) {
            const Results& results = outcome.results;
            problem = draw_chart(chart_script(chart_points(results), chart_ratios(results),
                                              measurement.facts.clock.ticks_per_cycle, chart_title(measurement.facts)),
                                 image);
            if (problem.empty()) problem = commit_output_file(invocation.chart, image);
        }
        abandon_output_file(invocation.chart);  // --benchmark_list_tests: nothing to draw
        if (!problem.empty()) status = fail(problem, EXIT_FAILED);
    }
    return status;
}
