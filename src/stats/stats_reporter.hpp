// The display reporter of the stats tool: Google Benchmark's own reporter for the chosen
// --benchmark_format, fed through this one, which keeps every case's headline figure for
// the chart. In the console format only the headline rows are shown (one per benchmark:
// the min or low_quarter aggregate, or the single run without repetitions); JSON and CSV
// get every run unchanged, so that their readers (compare.py) see all repetitions.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include <benchmark/benchmark.h>

#include "stats/stats_case.hpp"

struct Headline {
    std::size_t case_index;  // into the cases the reporter was made with
    double ticks;            // per scan
    double cycles;           // estimated core cycles per scan
};

class StatsReporter : public benchmark::BenchmarkReporter {
public:
    StatsReporter(benchmark::BenchmarkReporter* shown, const std::vector<StatsCase>& cases);

    bool ReportContext(const Context& context) override;
    void ReportRuns(const std::vector<Run>& runs) override;
    void Finalize() override;

    bool console() const { return console_; }
    // In the order the benchmarks finished.
    const std::vector<Headline>& headlines() const { return headlines_; }

private:
    std::unique_ptr<benchmark::BenchmarkReporter> shown_;
    const std::vector<StatsCase>& cases_;
    bool console_;
    std::vector<Headline> headlines_;
};
