#include "stats/stats_reporter.hpp"

#include <optional>
#include <string>

namespace {

std::optional<std::size_t> case_of(const benchmark::BenchmarkReporter::Run& run,
                                   const std::vector<StatsCase>& cases) {
    for (std::size_t index = 0; index < cases.size(); ++index)
        if (cases[index].name == run.run_name.function_name) return index;
    return std::nullopt;
}

double counter(const benchmark::BenchmarkReporter::Run& run, const char* name) {
    const auto found = run.counters.find(name);
    return found == run.counters.end() ? 0 : found->second.value;
}

}  // namespace

StatsReporter::StatsReporter(benchmark::BenchmarkReporter* shown,
                             const std::vector<StatsCase>& cases)
    : shown_(shown),
      cases_(cases),
      console_(dynamic_cast<benchmark::ConsoleReporter*>(shown) != nullptr) {}

bool StatsReporter::ReportContext(const Context& context) {
    return shown_->ReportContext(context);
}

void StatsReporter::ReportRuns(const std::vector<Run>& runs) {
    // Google Benchmark reports a benchmark's repetitions and its aggregates in two calls.
    // With one repetition there are no aggregates: the run itself is the headline.
    std::vector<Run> shown;
    for (const Run& run : runs) {
        const std::optional<std::size_t> index = case_of(run, cases_);
        const bool headline =
            index && !run.error_occurred &&
            (run.repetitions > 1 ? run.run_type == Run::RT_Aggregate &&
                                  run.aggregate_name == headline_aggregate(cases_[*index])
                            : run.run_type == Run::RT_Iteration);
        if (headline) headlines_.push_back({*index, counter(run, "ticks"), counter(run, "cycles")});
        if (!console_ || headline || run.error_occurred) shown.push_back(run);
    }
    if (!shown.empty()) shown_->ReportRuns(shown);
}

void StatsReporter::Finalize() { shown_->Finalize(); }
