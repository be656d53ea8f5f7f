// The reporter of the stats tool: Google Benchmark's own reporters for the chosen
// --benchmark_format and --benchmark_out_format, fed through this one. In the console
// format only the headline rows are shown (one per benchmark: the undisturbed aggregate,
// or the single run of a single round) and the repetitions whose figure was left out; JSON
// and CSV, and the --benchmark_out file, get what Google Benchmark reports unchanged (the
// aggregates, or with --benchmark_report_aggregates_only=false every round too), so that
// their readers (compare.py) see it as from any Google Benchmark program.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

class StatsReporter : public benchmark::BenchmarkReporter {
public:
    // `file` may be null: no --benchmark_out.
    StatsReporter(benchmark::BenchmarkReporter* shown, benchmark::BenchmarkReporter* file);

    bool ReportContext(const Context& context) override;
    void ReportRuns(const std::vector<Run>& runs) override;
    void Finalize() override;

    bool console() const { return console_; }

private:
    std::unique_ptr<benchmark::BenchmarkReporter> shown_;
    std::unique_ptr<benchmark::BenchmarkReporter> file_;
    bool console_;
};

// A reporter that reports nothing: for the pass that only learns which benchmarks the
// flags select.
class SilentReporter : public benchmark::BenchmarkReporter {
public:
    bool ReportContext(const Context&) override { return true; }
    void ReportRuns(const std::vector<Run>&) override {}
};

// Google Benchmark's reporter for a --benchmark_out file of this format (json, console or
// csv), as Google Benchmark itself makes it.
benchmark::BenchmarkReporter* file_reporter(const std::string& format, bool counters_tabular);
