#include "stats/stats_reporter.hpp"

#include <cctype>
#include <sstream>

#include "stats/stats_case.hpp"

namespace {

// The tool's members in a JSON reporter in place of Google Benchmark's own; another reporter
// as it is.
benchmark::BenchmarkReporter* with_members(benchmark::BenchmarkReporter* reporter,
                                           const ToolReport& report) {
    if (reporter == nullptr || dynamic_cast<benchmark::JSONReporter*>(reporter) == nullptr) return reporter;
    auto* json = new StatsJsonReporter(report.json_members);
    json->SetOutputStream(&reporter->GetOutputStream());
    json->SetErrorStream(&reporter->GetErrorStream());
    delete reporter;
    return json;
}

}  // namespace

void StatsJsonReporter::Finalize() {
    if (members_.empty()) return JSONReporter::Finalize();
    // Google Benchmark offers no seam for a member of its top-level object: its Finalize
    // closes the list of benchmarks and the object in one write, taken here into a buffer so
    // that the members go in before the object's closing brace.
    std::ostream& out = GetOutputStream();
    std::ostringstream closing;
    SetOutputStream(&closing);
    JSONReporter::Finalize();
    SetOutputStream(&out);
    const std::string text = closing.str();
    const std::size_t brace = text.rfind('}');
    if (brace == std::string::npos) {
        out << text;
        complete_ = false;
        return;
    }
    std::size_t end = brace;
    while (end > 0 && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    out << text.substr(0, end) << members_ << '\n' << text.substr(brace);
}

StatsReporter::StatsReporter(benchmark::BenchmarkReporter* shown, benchmark::BenchmarkReporter* file,
                             const ToolReport& report)
    : shown_(with_members(shown, report)),
      file_(with_members(file, report)),
      report_(report),
      console_(dynamic_cast<benchmark::ConsoleReporter*>(shown_.get()) != nullptr) {}

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
    for (benchmark::BenchmarkReporter* reporter : {file_.get(), shown_.get()}) {
        if (reporter == nullptr) continue;
        reporter->Finalize();
        if (dynamic_cast<benchmark::ConsoleReporter*>(reporter) != nullptr)
            reporter->GetOutputStream() << report_.console;
    }
}

bool StatsReporter::complete() const {
    for (benchmark::BenchmarkReporter* reporter : {file_.get(), shown_.get()})
        if (const auto* json = dynamic_cast<StatsJsonReporter*>(reporter); json && !json->complete())
            return false;
    return true;
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
