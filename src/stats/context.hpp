// The context lines the stats tool adds to Google Benchmark's report (console header, JSON
// "context"): every key and its words made here, in the order the report shows them, and
// the other texts that say the same facts (the shared-core warning, the chart's title).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "stats/measure.hpp"
#include "stats/shared_probe.hpp"
#include "stats/stats_case.hpp"

struct ContextLine {
    std::string key, text;
};

// What a run that measured leaves for its context.
struct RunFacts {
    const char* emulator = nullptr;  // its name where the tool runs under one
    std::string scheduling;          // use_realtime_scheduling's words
    std::string text;                // text_context's
    std::string text_name;           // "the long sample", or the user's file
    std::string not_paired;          // uncompared_layouts' ("" where all are paired)
    Clock clock{};
    // The processor (processor/processor.hpp's lines, the clock's figures among them).
    std::vector<ContextLine> processor;
    bool fixed_places = false;  // --placement=fixed
    // Measured a second set of processes: too few figures counted in the first.
    bool measured_on = false;
    std::size_t failed = 0;  // selected copies that could not be counted (StatsCase::failure)
    // The processor's counters: why they could not be opened, or what went wrong reading
    // them ("" where they were read; then the cases' pmu say whether they are trusted).
    std::string counters_not_opened, counters_problem;
    std::size_t rounds = 0, processes = 0;
    std::string aa;  // aa_words
    std::size_t figures = 0, undisturbed = 0;
    SharedShare shared;
};

// The processor's lines for the context: what CPUID and the platform say of this machine,
// and the clock's figures (processor/processor.hpp).
std::vector<ContextLine> processor_lines(const Clock& clock);

std::vector<ContextLine> run_context(const RunFacts& facts, const std::vector<StatsCase>& cases);

// The plain words for a run most of whose rounds ran on a shared core.
std::string shared_run_words(const SharedShare& shared);

// The chart's title: the tool, the architecture, the rounds and processes, and where the
// figures are an emulator's or a shared core's, a line saying so.
std::string chart_title(const RunFacts& facts);
