#include "stats/invocation.hpp"

#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>

#include <benchmark/benchmark.h>

#include "meter/emulation.hpp"
#include "stats/console_report.hpp"
#include "stats/counter_pass.hpp"
#include "stats/json_report.hpp"
#include "stats/places.hpp"
#include "stats/summary.hpp"
#include "stats/report_text.hpp"
#include "stats/realtime.hpp"
#include "stats/texts.hpp"
#include "stats/undisturbed.hpp"

std::string open_result_files(Invocation& invocation) {
    if (invocation.early.out != nullptr)
        if (std::string problem = open_output_file(invocation.early.out, true, invocation.out); !problem.empty())
            return problem;
    const char* chart = invocation.flags.chart;
    if (chart == nullptr) return "";
    std::string problem = open_output_file(chart, false, invocation.chart);
    struct stat chart_status, output_status;
    if (problem.empty() && stat(chart, &chart_status) == 0 && fstat(STDOUT_FILENO, &output_status) == 0 &&
        chart_status.st_dev == output_status.st_dev && chart_status.st_ino == output_status.st_ino)
        problem = std::string("'").append(chart).append("' is standard output");
    if (problem.empty()) return "";
    abandon_result_files(invocation);
    return "the chart file: " + problem;
}

void abandon_result_files(Invocation& invocation) {
    abandon_output_file(invocation.out);
    abandon_output_file(invocation.chart);
}

std::string measure_selected(const Invocation& invocation, const ToolText& text,
                             std::vector<StatsCase>& cases, const std::vector<bool>& selected,
                             Measurement& measurement) {
    // A copy that cannot be counted is left out of the rounds, in a row of its own that
    // says why; the others are measured.
    measurement.facts.failed = count_scan_facts(cases, selected);
    SegmentPlan plan;
    std::vector<bool> measured(cases.size(), false);
    for (std::size_t index = 0; index < cases.size(); ++index)
        if (selected[index] && cases[index].failure.empty()) {
            plan.order.push_back(index);
            measured[index] = true;
        }
    if (plan.order.empty())
        for (std::size_t index = 0; index < cases.size(); ++index)
            if (selected[index]) return "no selected copy could be counted: " + cases[index].name + ": " + cases[index].failure;
    plan.again = measurement.control = choose_aa_control(cases, measured);
    plan.rounds = invocation.early.rounds;
    plan.processes = invocation.flags.processes;
    plan.realtime = invocation.flags.realtime;
    plan.fixed_places = invocation.flags.fixed_places;
    measurement.facts.fixed_places = plan.fixed_places;
    const std::string executable = own_executable();
    if (executable.empty()) return "cannot find its own executable to start the measuring processes";
    RunFacts& facts = measurement.facts;
    facts.emulator = running_emulator();
    facts.scheduling = use_realtime_scheduling(invocation.flags.realtime);
    measure_scan_lengths(cases, measured);
    facts.text = text_context(text);
    facts.text_name = text.name;
    facts.not_paired = uncompared_layouts(cases, measured);
    facts.clock = measure_clock();
    facts.processor = processor_lines(facts.clock);
    Segments& segments = measurement.segments;
    if (std::string problem = measure_segments(executable, plan, segments); !problem.empty()) return problem;
    // Where the machine left too few figures alone for an interval, measure on once, as
    // many processes again, rather than give no answer: a verdict is never unclear for
    // want of rounds the tool could have measured.
    if (!plan.rounds && too_few_for_intervals(segments)) {
        Segments more;
        if (std::string problem = measure_segments(executable, plan, more); !problem.empty()) return problem;
        append_segments(segments, more);
        facts.measured_on = true;
    }
    measurement.ticks.assign(cases.size(), {});
    measurement.places.assign(cases.size(), {});
    for (std::size_t position = 0; position < plan.order.size(); ++position) {
        measurement.ticks[plan.order[position]] = segments.rounds.ticks[position];
        measurement.places[plan.order[position]] = segments.rounds.places[position];
    }
    count_with_processor_counters(cases, selected, facts.counters_not_opened, facts.counters_problem);
    facts.rounds = segments.rounds.rounds();
    facts.processes = segments.segment_rounds.size();
    facts.aa = aa_words(*measurement.control, cases);
    return "";
}

Outcome outcome_of(const std::vector<StatsCase>& cases, Measurement& measurement) {
    Outcome outcome;
    measurement.ticks.resize(cases.size());
    RunFacts& facts = measurement.facts;
    for (const std::vector<double>& figures : measurement.ticks) {
        outcome.unexplained.push_back(unexplained_figures(figures));
        facts.figures += figures.size();
    }
    const Segments& segments = measurement.segments;
    outcome.results = results_of(cases, measurement.ticks, outcome.unexplained, measurement.control,
                                 segments.rounds.again, segments.segment_rounds, segments.rounds.probes);
    const Results& results = outcome.results;
    // The measured copies come first in results.copies, in results.measured's order.
    for (std::size_t copy = 0; copy < results.measured.size(); ++copy)
        facts.undisturbed += std::count(results.undisturbed[copy].begin(), results.undisturbed[copy].end(), true);
    facts.shared = results.shared;
    if (facts.figures == 0) return outcome;  // nothing measured: Google Benchmark's report alone
    const ModelOfCopies model = cost_model_of(results, cases, facts.clock.ticks_per_cycle);
    std::string warning =
        results.shared.whole_run() ? "\nWARNING: " + shared_run_words(results.shared) + ".\n" : "";
    // Said first where pairs have no interval even so: never a quiet "no difference".
    std::size_t without = 0;
    for (const PairedRatio& pair : results.pairs) without += !pair.ratio.low;
    if (without > 0)
        warning += "\nWARNING: " + std::to_string(without) + " of " + std::to_string(results.pairs.size()) +
                   " pairs have too few undisturbed rounds for an interval (" +
                   number_text(100.0 * static_cast<double>(facts.undisturbed) / static_cast<double>(facts.figures), 0) +
                   " % of the figures undisturbed): their verdicts are unclear; measure again with more "
                   "processes (--processes=20) or when the machine is quieter.\n";
    // Each measured copy's spread across its places.
    std::vector<std::vector<double>> ticks, places;
    std::vector<std::vector<bool>> undisturbed;
    std::vector<std::string> names;
    measurement.places.resize(cases.size());
    for (std::size_t copy = 0; copy < results.measured.size(); ++copy) {
        const std::size_t index = results.measured[copy];
        ticks.push_back(measurement.ticks[index]);
        places.push_back(measurement.places[index]);
        undisturbed.push_back(results.undisturbed[copy]);
        names.push_back(cases[index].name);
    }
    const std::vector<PlaceSpread> spreads =
        place_spreads(ticks, places, undisturbed, segments.segment_rounds, RELAY_ROUNDS);
    outcome.report.console = warning + placement_summary(placement_rows(results, cases)) +
                             places_text(spreads, names, facts.fixed_places) +
                             cost_model_text(model.model, model.copies) +
                             ratio_tables(results.pairs, results.copies, facts.text_name) +
                             summary_text(results, facts.text_name);
    outcome.report.json_members =
        report_members(pairs_json(results.pairs, results.copies, results.names, interval_over(results)),
                       cost_model_json(model.model, model.copies, model.cycles), places_json(spreads, names));
    return outcome;
}

bool select_benchmarks(const std::vector<StatsCase>& cases, std::vector<bool>& selected) {
    // The library names what its filter selects only by running it: a pass that notes each.
    register_selection(cases, selected);
    SilentReporter silent;
    std::ostringstream discarded;
    silent.SetOutputStream(&discarded);
    const bool matched = benchmark::RunSpecifiedBenchmarks(&silent) != 0;
    benchmark::ClearRegisteredBenchmarks();
    return matched;
}

bool report_replays(std::vector<Replay>& replays, int rounds, const Invocation& invocation,
                    const ToolReport& report, std::ostringstream& shown, std::ostringstream& file) {
    register_replays(replays);
    // The rounds are the repetitions: set through the flag, since a benchmark's own
    // Repetitions() would put "/repeats:N" into every benchmark's name. Google Benchmark
    // reads its flags again; those not given keep their values.
    std::string rounds_flag = "--benchmark_repetitions=" + std::to_string(rounds);
    static char program[] = "jumpbench-stats";
    char* rounds_arguments[] = {program, rounds_flag.data(), nullptr};
    int rounds_count = 2;
    benchmark::Initialize(&rounds_count, rounds_arguments, print_help);
    benchmark::BenchmarkReporter* display = benchmark::CreateDefaultDisplayReporter();
    display->SetOutputStream(&shown);
    benchmark::BenchmarkReporter* out =
        invocation.out.descriptor >= 0
            ? file_reporter(invocation.early.out_format, invocation.early.counters_tabular)
            : nullptr;
    if (out != nullptr) {
        out->SetOutputStream(&file);
        out->SetErrorStream(&file);
    }
    StatsReporter reporter(display, out, report);
    reporter.SetOutputStream(&shown);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return reporter.complete();
}
