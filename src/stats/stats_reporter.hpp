// The reporter of the stats tool: Google Benchmark's own reporters for the chosen
// --benchmark_format and --benchmark_out_format, fed through this one. In the console
// format only the headline rows are shown (one per benchmark: the undisturbed aggregate,
// or the single run of a single round) and the repetitions whose figure was left out, then
// the tool's own tables; JSON gets what Google Benchmark reports (the aggregates, or with
// --benchmark_report_aggregates_only=false every round too) with the tool's "pairs" and
// "model" added by a JSON reporter of its own, so that their readers (compare.py) see it as
// from any Google Benchmark program; CSV gets Google Benchmark's alone.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

// What the tool adds to a report: text after the console rows, members of the JSON object.
struct ToolReport {
    std::string console;       // console_report.hpp's texts
    std::string json_members;  // json_report.hpp's report_members, "" for none
};

// Google Benchmark's JSON reporter with `json_members` added to its top-level object.
class StatsJsonReporter : public benchmark::JSONReporter {
public:
    explicit StatsJsonReporter(std::string members) : members_(std::move(members)) {}
    void Finalize() override;
    // False where the report did not end as a JSON object does: the members are missing.
    bool complete() const { return complete_; }

private:
    std::string members_;
    bool complete_ = true;
};

class StatsReporter : public benchmark::BenchmarkReporter {
public:
    // `shown` is Google Benchmark's display reporter; `file` may be null: no --benchmark_out.
    StatsReporter(benchmark::BenchmarkReporter* shown, benchmark::BenchmarkReporter* file,
                  const ToolReport& report);

    bool ReportContext(const Context& context) override;
    void ReportRuns(const std::vector<Run>& runs) override;
    void Finalize() override;
    // False where a JSON report could not take the tool's members.
    bool complete() const;

private:
    std::unique_ptr<benchmark::BenchmarkReporter> shown_;
    std::unique_ptr<benchmark::BenchmarkReporter> file_;
    ToolReport report_;
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
// csv), as Google Benchmark itself makes it (StatsReporter adds the tool's members).
benchmark::BenchmarkReporter* file_reporter(const std::string& format, bool counters_tabular);
