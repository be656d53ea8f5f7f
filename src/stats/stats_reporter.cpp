#include "stats/stats_reporter.hpp"

#include "stats/stats_case.hpp"

StatsReporter::StatsReporter(benchmark::BenchmarkReporter* shown,
                             benchmark::BenchmarkReporter* file)
    : shown_(shown),
      file_(file),
      console_(dynamic_cast<benchmark::ConsoleReporter*>(shown) != nullptr) {}

bool StatsReporter::ReportContext(const Context& context) {
    if (file_) file_->ReportContext(context);
    return shown_->ReportContext(context);
}

void StatsReporter::ReportRuns(const std::vector<Run>& runs) {
    if (file_) file_->ReportRuns(runs);
    if (!console_) {
        shown_->ReportRuns(runs);
        return;
    }
    // Google Benchmark reports a benchmark's repetitions and its aggregates in two calls.
    // With one repetition there are no aggregates: the run itself is the headline.
    std::vector<Run> shown;
    for (const Run& run : runs)
        if (run.error_occurred ||
            (run.repetitions > 1 ? run.run_type == Run::RT_Aggregate &&
                                       run.aggregate_name == HEADLINE_AGGREGATE
                                 : run.run_type == Run::RT_Iteration))
            shown.push_back(run);
    if (!shown.empty()) shown_->ReportRuns(shown);
}

void StatsReporter::Finalize() {
    if (file_) file_->Finalize();
    shown_->Finalize();
}

benchmark::BenchmarkReporter* file_reporter(const std::string& format, bool counters_tabular) {
    // Google Benchmark marks its CSV reporter as one it will drop, but still makes it for
    // --benchmark_out_format=csv itself; the tool gives the same.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (format == "csv") return new benchmark::CSVReporter;
#pragma GCC diagnostic pop
    if (format == "console")
        return new benchmark::ConsoleReporter(counters_tabular ? benchmark::ConsoleReporter::OO_Tabular
                                                               : benchmark::ConsoleReporter::OO_None);
    return new benchmark::JSONReporter;
}
