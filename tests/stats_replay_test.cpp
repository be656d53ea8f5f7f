// The stats tool's rounds through Google Benchmark's own runner, on made-up figures: every
// round reported once, a figure the calibration cannot explain reported as its
// repetition's error naming its round, also when it is the first round, and the headline
// aggregate taken from the undisturbed figures; and the whole report path after the rounds:
// the context, the console tables and the JSON report with the tool's pairs and model.
#include <sstream>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <gtest/gtest.h>

#include "profile/tool_text.hpp"
#include "stats/context.hpp"
#include "stats/counter_pass.hpp"
#include "stats/invocation.hpp"
#include "stats/measure.hpp"
#include "stats/paired.hpp"
#include "stats/undisturbed.hpp"
#include "stats/placed_cases.hpp"
#include "stats/stats_case.hpp"

namespace {

class Collected : public benchmark::BenchmarkReporter {
public:
    bool ReportContext(const Context&) override { return true; }
    void ReportRuns(const std::vector<Run>& reported) override {
        runs.insert(runs.end(), reported.begin(), reported.end());
    }
    std::vector<Run> runs;
};

// Google Benchmark's flags as the tool gives them, with one iteration per repetition.
void initialize(std::vector<std::string> flags) {
    flags.insert(flags.begin(), "stats_replay_tests");
    flags.push_back("--benchmark_min_time=0");
    std::vector<char*> arguments;
    for (std::string& flag : flags) arguments.push_back(flag.data());
    arguments.push_back(nullptr);
    int count = static_cast<int>(flags.size());
    benchmark::Initialize(&count, arguments.data());
}

// Round 1 below zero, round 3 in a slow phase.
TEST(Replays, EveryRoundOnceAFirstRoundLeftOutAsItsErrorAndTheUndisturbedHeadline) {
    const PlacedCase& placed = placed_cases[0];
    StatsCase stats_case{"made_up/long/offset:0", placed.layout, placed.sample, &placed.copy,
                         placed.row, 0, placed.runs};
    const std::vector<double> ticks = {-400, 700, 1500, 710, 705, 720};
    const std::vector<bool> unexplained = unexplained_figures(ticks);
    ASSERT_EQ(unexplained, (std::vector<bool>{true, false, false, false, false, false}));
    const Clock clock{2.5e9, 0.5};
    std::vector<Replay> replays{{&stats_case, &ticks, &unexplained, &clock}};
    register_replays(replays);
    initialize({"--benchmark_repetitions=6", "--benchmark_min_warmup_time=0"});
    Collected collected;
    benchmark::RunSpecifiedBenchmarks(&collected);
    benchmark::ClearRegisteredBenchmarks();

    std::vector<double> replayed;
    std::vector<std::string> errors;
    const benchmark::BenchmarkReporter::Run* headline = nullptr;
    for (const auto& run : collected.runs) {
        if (run.run_type == benchmark::BenchmarkReporter::Run::RT_Aggregate) {
            if (run.aggregate_name == HEADLINE_AGGREGATE) headline = &run;
        } else if (run.error_occurred) {
            errors.push_back(run.error_message);
        } else {
            replayed.push_back(run.counters.at("ticks").value);
        }
    }
    // From the first explained round on, the rounds before it last.
    EXPECT_EQ(replayed, (std::vector<double>{700, 1500, 710, 705, 720}));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].rfind("round 1: -400 ticks per scan, below zero", 0), 0u) << errors[0];
    ASSERT_NE(headline, nullptr);
    // The fast level 701 (the 5th percentile of 700 .. 1500): 1500 is disturbed; the
    // headline is the 10th percentile of the other four, 700 + 0.3 * (705 - 700).
    EXPECT_DOUBLE_EQ(headline->counters.at("ticks").value, 701.5);
    EXPECT_DOUBLE_EQ(headline->counters.at("code_bytes").value, *placed.copy.code_bytes);
}

// A copy the tool could not count has no rounds: its row is an error that says why, and the
// context names it, while the others stand.
TEST(Replays, ACopyNotMeasuredIsARowThatSaysWhy) {
    const PlacedCase& placed = placed_cases[0];
    StatsCase stats_case{"made_up/long/offset:0", placed.layout, placed.sample, &placed.copy,
                         placed.row, 0, placed.runs};
    stats_case.failure = "cannot decode the instruction at entry + 14";
    const std::vector<double> none;
    const std::vector<bool> unexplained;
    const Clock clock{2.5e9, 0.5};
    std::vector<Replay> replays{{&stats_case, &none, &unexplained, &clock}};
    register_replays(replays);
    initialize({"--benchmark_repetitions=3", "--benchmark_min_warmup_time=0"});
    Collected collected;
    benchmark::RunSpecifiedBenchmarks(&collected);
    benchmark::ClearRegisteredBenchmarks();
    std::size_t errors = 0;
    for (const auto& run : collected.runs)
        if (run.error_occurred) {
            EXPECT_EQ(run.error_message, "not measured: cannot decode the instruction at entry + 14");
            ++errors;
        }
    EXPECT_EQ(errors, 3u);

    RunFacts facts;
    facts.failed = 1;
    bool said = false;
    for (const ContextLine& line : run_context(facts, {stats_case}))
        if (line.key == "failed") {
            said = true;
            EXPECT_EQ(line.text, "1 copies not measured (made_up/long/offset:0: cannot decode the instruction "
                                 "at entry + 14); the others are");
        }
    EXPECT_TRUE(said);
}

// The counter pass end to end, with the software task clock as the group's only event in
// place of the processor's four: every selected long-sample copy is called and read and
// gets counts per scan, which are untrusted, since no instructions were counted where the
// profile says how many run. Short-sample and unselected copies get none.
TEST(CounterPass, EverySelectedLongCopyCountedAndCheckedAgainstItsInstructions) {
    CounterGroup group;
    std::string reason;
    const CounterEvent task_clock = CounterEvent::task_clock;
    if (!open_counters(&task_clock, 1, group, reason)) {
        if (reason.find("Function not implemented") != std::string::npos)
            GTEST_SKIP() << "no perf_event_open here: " << reason;
        FAIL() << reason;
    }
    use_long_sample();
    stats_long_runs = long_runs_for(499);
    std::vector<StatsCase> cases = stats_cases();
    std::vector<bool> selected(cases.size(), false);
    for (std::size_t index = 0; index < cases.size(); ++index)
        selected[index] = cases[index].placement == 0 &&
                          (cases[index].layout == "class_table" || cases[index].sample == "short");
    ASSERT_EQ(count_scan_facts(cases, selected), 0u);
    ASSERT_EQ(count_with_counters(cases, selected, group), "");
    close_counters(group);
    for (std::size_t index = 0; index < cases.size(); ++index) {
        const StatsCase& stats_case = cases[index];
        if (!selected[index] || stats_case.sample != "long") {
            EXPECT_FALSE(stats_case.pmu) << stats_case.name;
            continue;
        }
        ASSERT_TRUE(stats_case.pmu) << stats_case.name;
        EXPECT_FALSE(stats_case.pmu->trusted);
        EXPECT_NE(stats_case.pmu->reason.find("where the copy runs exactly 3001"), std::string::npos)
            << stats_case.pmu->reason;
    }
}

// Every long row at offsets 0 and 48 with the A/A twin, in 7 processes of 2 rounds: round 3
// slow, round 5 of every third copy below zero. Made-up facts for the cost model.
Measurement made_up_measurement(std::vector<StatsCase>& cases) {
    Measurement measurement;
    measurement.ticks.assign(cases.size(), {});
    measurement.places.assign(cases.size(), {});
    measurement.segments.segment_rounds.assign(7, 2);
    for (std::size_t index = 0; index < cases.size(); ++index) {
        StatsCase& stats_case = cases[index];
        if (stats_case.sample != "long" || (stats_case.placement != 0 && stats_case.placement != 3)) continue;
        stats_case.scan_length = 500;
        stats_case.taken_branches = 100 + 37 * stats_case.row + 3 * stats_case.placement;
        stats_case.line_changes = 20 + 11 * ((stats_case.row * 7 + stats_case.placement) % 5);
        for (std::size_t round = 0; round < 14; ++round) {
            double figure = (900 + 150 * stats_case.row) * (1 + 0.01 * stats_case.placement) *
                            (1 + 0.002 * static_cast<double>((round * 7 + index) % 5));
            if (round == 3) figure *= 2;
            if (round == 5 && index % 3 == 0) figure = -40;
            measurement.ticks[index].push_back(figure);
            // A place a process, the kernel's entry at the copy's offset in its line.
            measurement.places[index].push_back(static_cast<double>(64 * (round / 2) + 16 * stats_case.placement));
        }
    }
    measurement.control = AAControl{0, true};
    for (std::size_t round = 0; round < 14; ++round) {
        measurement.segments.rounds.again.push_back(measurement.ticks[0][round] * (round % 2 ? 1.001 : 0.999));
        measurement.segments.rounds.probes.push_back(round % 5 == 0 ? 1.1 : 0.52);
    }
    measurement.facts.clock = {2.5e9, 0.8};
    measurement.facts.processor = {{"processor_vendor", "AuthenticAMD"}, {"tick_rate", "2500.0 MHz"}};
    measurement.facts.rounds = 14;
    measurement.facts.processes = 7;
    measurement.facts.aa = aa_words(*measurement.control, cases);
    return measurement;
}

TEST(ReportPath, ContextConsoleTablesAndJsonMembersFromTheSameFigures) {
    use_long_sample();
    stats_long_runs = long_runs_for(499);
    std::vector<StatsCase> cases = stats_cases();
    Measurement measurement = made_up_measurement(cases);
    const Outcome outcome = outcome_of(cases, measurement);
    const Results& results = outcome.results;
    // 7 long layouts: 21 layout pairs at each of 2 offsets, 7 placement pairs, the A/A pair.
    ASSERT_EQ(results.pairs.size(), 21u * 2 + 7 + 1);
    EXPECT_EQ(results.names.back(), "few_jumps/long/offset:0/twin");

    std::vector<std::string> keys;
    for (const ContextLine& line : run_context(measurement.facts, cases)) keys.push_back(line.key);
    EXPECT_EQ(keys, (std::vector<std::string>{"architecture", "timing", "scheduling", "text", "processor_vendor",
                                              "tick_rate", "hardware_counters", "rounds",
                                              "intervals", "placement", "undisturbed", "shared"}));
    const std::string rounds = run_context(measurement.facts, cases)[7].text;
    EXPECT_EQ(rounds.rfind("14 in 7 processes (", 0), 0u) << rounds;
    EXPECT_NE(rounds.find("the A/A control: few_jumps/long/offset:0 and its twin"), std::string::npos);

    // Each table once, in order, and a verdict line for every pair but the A/A one.
    const std::string& console = outcome.report.console;
    std::size_t at = 0;
    for (const char* part : {"\nPlacement: ", "\nPlaces: how far each copy's level moved", "\nCost model: ", "\nlong sample, layouts against each other",
                             "\nlong sample, each copy against its layout", "\nA/A control, few_jumps/long",
                             "\nVerdicts, long sample:\n", "\nSummary, long sample: the layouts ranked"}) {
        const std::size_t found = console.find(part, at);
        ASSERT_NE(found, std::string::npos) << part << "\n" << console;
        at = found;
    }
    EXPECT_NE(console.find("  cycles = "), std::string::npos) << console;
    // The made-up layouts run 150 ticks apart, each 3 % slower at offset 48 than at 0: the
    // ranking is the rows' order, every layout slower than few_jumps, none the same.
    EXPECT_NE(console.find("\n  1. few_jumps     900.2       0"), std::string::npos) << console;
    EXPECT_NE(console.find("-  fastest   927.0      48"), std::string::npos) << console;
    EXPECT_NE(console.find("\n  2. many_jumps   1050.4       0    +16.7 % [+16.4 %, +16.9 %]   slower"),
              std::string::npos) << console;
    EXPECT_NE(console.find("  the same at their best offsets: none\n  the offset in the line mattered up to "),
              std::string::npos) << console;
    // 7 processes of 2 rounds, a laying each, and one of each laying's rounds counts: 7
    // places a copy.
    EXPECT_NE(console.find("over at least 7 places"), std::string::npos) << console;
    EXPECT_NE(console.find("  most sensitive to their place (entry address modulo 4096):\n    "),
              std::string::npos) << console;

    // Google Benchmark's JSON report, through the tool's reporter: its "benchmarks", then the
    // pairs and the model as the last members of the top-level object.
    std::vector<Replay> replays;
    for (std::size_t index = 0; index < cases.size(); ++index)
        if (!measurement.ticks[index].empty())
            replays.push_back({&cases[index], &measurement.ticks[index], &outcome.unexplained[index],
                               &measurement.facts.clock});
    initialize({"--benchmark_format=json", "--benchmark_report_aggregates_only=true"});
    Invocation invocation;
    std::ostringstream shown, file;
    ASSERT_TRUE(report_replays(replays, 14, invocation, outcome.report, shown, file));
    const std::string json = shown.str();
    const std::string members = outcome.report.json_members;
    ASSERT_EQ(members.rfind(",\n  \"pairs\": [\n", 0), 0u);
    ASSERT_GT(json.size(), members.size() + 3);
    EXPECT_EQ(json.substr(json.size() - members.size() - 3), members + "\n}\n");
    EXPECT_NE(json.find("\n  \"benchmarks\": [\n"), std::string::npos);
    EXPECT_NE(members.find("\n  \"model\": {\n    \"unit\": \"core cycles per scan\""), std::string::npos);
    EXPECT_NE(members.find(",\n  \"places\": [\n    {\"name\": \"few_jumps/long/offset:0\", \"places\": "),
              std::string::npos) << members;
    std::size_t kinds = 0;
    for (std::size_t found = members.find("\"kind\": "); found != std::string::npos;
         found = members.find("\"kind\": ", found + 1))
        ++kinds;
    EXPECT_EQ(kinds, results.pairs.size());
    EXPECT_EQ(file.str(), "");
}

}  // namespace
