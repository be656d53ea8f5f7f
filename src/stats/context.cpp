#include "stats/context.hpp"

#include "meter/architecture.hpp"
#include "processor/processor.hpp"
#include "stats/flags.hpp"
#include "stats/measure.hpp"
#include "stats/paired.hpp"
#include "stats/report_text.hpp"
#include "stats/undisturbed.hpp"

namespace {

std::string counters_words(const RunFacts& facts, const std::vector<StatsCase>& cases) {
    if (!facts.counters_not_opened.empty()) return "not available (" + facts.counters_not_opened + ")";
    if (!facts.counters_problem.empty()) return "available, but " + facts.counters_problem;
    std::string untrusted;
    for (const StatsCase& stats_case : cases)
        if (stats_case.pmu && !stats_case.pmu->trusted)
            untrusted += (untrusted.empty() ? "" : "; ") + stats_case.name + ": " + stats_case.pmu->reason;
    return "available: pmu_cycles, pmu_instructions, pmu_branches, pmu_branch_misses per scan of each "
           "long-sample copy (its meter called 8 times at its run count and at half of it after the "
           "rounds, the meter's own work removed)" +
           std::string(untrusted.empty() ? "" : "; untrusted (pmu_trusted 0): " + untrusted);
}

std::string intervals_words(std::size_t processes) {
    if (processes <= 1)
        return "over " + std::to_string(INTERVAL_BLOCKS) +
               " blocks of one process's rounds: they cover that process only, "
               "not what another invocation gives (--processes)";
    const bool blocks = processes > SEGMENT_BLOCKS;
    return "over the " + std::to_string(processes) + " processes" +
           (blocks ? " in " + std::to_string(SEGMENT_BLOCKS) + " blocks of consecutive ones" : std::string()) +
           ": each a fresh process of this tool, the ratio of the levels in each " + (blocks ? "block" : "process") +
           " one value; they cover what another invocation gives";
}

}  // namespace

std::vector<ContextLine> processor_lines(const Clock& clock) {
    const TickFigures ticks{clock.ticks_per_second, clock.ticks_per_cycle,
                            "1000-add chain, lowest of " + std::to_string(REFERENCE_MEASUREMENTS)};
    std::vector<ContextLine> lines;
    for (const auto& [key, text] : this_processor_context(ticks)) lines.push_back({key, text});
    return lines;
}

std::vector<ContextLine> run_context(const RunFacts& facts, const std::vector<StatsCase>& cases) {
    std::vector<ContextLine> lines{{"architecture", ARCHITECTURE_NAME}};
    // Debian's Google Benchmark is a debug build, and says so in a warning above these
    // lines: it concerns the library's own timers, which time nothing here.
    lines.push_back({"timing", "every figure is this tool's own meter's (serialised time-stamp reads "
                               "around its calls); Google Benchmark only reports them, so how the "
                               "library was built does not touch them"});
    // Under an emulator every figure is the emulator's: said in the report itself, so that a
    // JSON file or a chart made there cannot be taken for a measurement.
    if (facts.emulator != nullptr) lines.push_back({"emulated", facts.emulator});
    lines.push_back({"scheduling", facts.scheduling});
    lines.push_back({"text", facts.text});
    if (!facts.not_paired.empty()) lines.push_back({"not_paired", facts.not_paired});
    if (facts.failed > 0) {
        std::string failed;
        for (const StatsCase& stats_case : cases)
            if (!stats_case.failure.empty())
                failed += (failed.empty() ? "" : "; ") + stats_case.name + ": " + stats_case.failure;
        lines.push_back({"failed", std::to_string(facts.failed) + " copies not measured (" + failed +
                                       "); the others are"});
    }
    lines.insert(lines.end(), facts.processor.begin(), facts.processor.end());
    lines.push_back({"hardware_counters", counters_words(facts, cases)});
    lines.push_back({"rounds", std::to_string(facts.rounds) + " in " + std::to_string(facts.processes) +
                                   (facts.processes == 1 ? " process" : " processes") +
                                   " (every selected copy once per round, in a new random order each "
                                   "round; the A/A control: " + facts.aa + ")" +
                                   (facts.measured_on ? "; twice the processes: the first half left too few "
                                                        "figures undisturbed for an interval"
                                                      : "")});
    lines.push_back({"intervals", intervals_words(facts.processes)});
    lines.push_back({"placement", facts.fixed_places
                                      ? "fixed: every copy at the address the build gave it"
                                      : "random: each process lays every copy afresh every " +
                                            std::to_string(RELAY_ROUNDS) +
                                            " rounds at a random page and 64-byte line of a range of its "
                                            "own, the kernel's offset in its line kept; the A/A control's "
                                            "two copies at independent places"});
    // How much of the run the machine left alone: the share the headlines and ratios use.
    lines.push_back({"undisturbed", number_text(100.0 * facts.undisturbed / facts.figures, 0) +
                                        " % of the figures (at most " + number_text(UNDISTURBED_BAND, 1) +
                                        " times their copy's fast level; the headlines and ratios use these)"});
    lines.push_back({"shared", number_text(100 * facts.shared.share(), 0) +
                                   " % of the rounds (the core shared with another thread: a chain of taken "
                                   "jumps timed against an add chain at the start of every round, above " +
                                   number_text(SHARED_ABOVE_FAST, 1) + " times the run's fast level of " +
                                   number_text(facts.shared.fast_level, 2) + " core cycles per jump; median " +
                                   number_text(facts.shared.median, 2) + ")"});
    if (facts.shared.whole_run()) lines.push_back({"processor_shared", shared_run_words(facts.shared)});
    return lines;
}

std::string shared_run_words(const SharedShare& shared) {
    return "the processor was shared with another thread in " + number_text(100 * shared.share(), 0) +
           " % of the rounds: its figures are a shared core's, slower and with other ratios than "
           "on a core of its own; measure again when the machine is quieter";
}

std::string chart_title(const RunFacts& facts) {
    std::string title = std::string(TOOL) + " (" + ARCHITECTURE_NAME +
                        "): ticks per scan of each kernel copy (median of its undisturbed figures of " +
                        std::to_string(facts.rounds) + " rounds in " + std::to_string(facts.processes) +
                        " processes), and the paired ratios with their 95 % intervals";
    if (facts.emulator != nullptr)
        title += std::string("\\nunder ") + facts.emulator +
                 ", an emulator: every figure is the emulator's, not this processor's";
    if (facts.shared.whole_run()) title += "\\n" + shared_run_words(facts.shared);
    return title;
}
