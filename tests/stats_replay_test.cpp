// The stats tool's rounds through Google Benchmark's own runner, on made-up figures: every
// round reported once, a figure the calibration cannot explain reported as its
// repetition's error naming its round, also when it is the first round, and the headline
// aggregate taken from the undisturbed figures.
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <gtest/gtest.h>

#include "profile/tool_text.hpp"
#include "stats/counter_pass.hpp"
#include "stats/measure.hpp"
#include "stats/paired.hpp"
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
    char program[] = "stats_replay_tests";
    char rounds[] = "--benchmark_repetitions=6";
    char min_time[] = "--benchmark_min_time=0";
    char warmup[] = "--benchmark_min_warmup_time=0";
    char* arguments[] = {program, rounds, min_time, warmup, nullptr};
    int count = 4;
    benchmark::Initialize(&count, arguments);
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
    // The fast level 701 (the 5th percentile of 700 .. 1500): 1500 is disturbed.
    EXPECT_DOUBLE_EQ(headline->counters.at("ticks").value, 707.5);
    EXPECT_DOUBLE_EQ(headline->counters.at("code_bytes").value, *placed.copy.code_bytes);
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
    ASSERT_EQ(count_scan_facts(cases, selected), "");
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

}  // namespace
