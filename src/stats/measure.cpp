#include "stats/measure.hpp"

#include <x86intrin.h>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <random>
#include <string>

#include <benchmark/benchmark.h>

#include "meter/cycle_meter.hpp"
#include "meter/laid_copies.hpp"
#include "selfcheck/selfcheck_cases.hpp"
#include "stats/undisturbed.hpp"
#include "stats/shared_probe.hpp"

namespace {

struct Stamp {
    double seconds;  // monotonic clock
    double ticks;    // time-stamp counter
};

// A counter reading with the monotonic clock read on both sides of it; of a few tries
// the one with the closest pair, so that a preemption between the reads does not count.
Stamp stamp() {
    using Clock = std::chrono::steady_clock;
    Stamp best{};
    double best_gap = std::numeric_limits<double>::infinity();
    for (int attempt = 0; attempt < 5; ++attempt) {
        const Clock::time_point before = Clock::now();
        const unsigned long long ticks = __rdtsc();
        const Clock::time_point after = Clock::now();
        const double gap = std::chrono::duration<double>(after - before).count();
        if (gap < best_gap) {
            best_gap = gap;
            best.seconds = std::chrono::duration<double>(before.time_since_epoch()).count() + gap / 2;
            best.ticks = static_cast<double>(ticks);
        }
    }
    return best;
}

void note_selected(benchmark::State& state, std::vector<bool>* selected, std::size_t index) {
    (*selected)[index] = true;
    for (auto _ : state) {
    }
}

void replay_round(benchmark::State& state, Replay* replay) {
    if (replay->ticks->empty()) {
        // A copy the tool could not count: its row says why.
        const std::string& failure = replay->stats_case->failure;
        state.SkipWithError(("not measured: " + (failure.empty() ? std::string("no rounds") : failure)).c_str());
        for (auto _ : state) {
        }
        return;
    }
    const std::size_t round = replay->next++ % replay->ticks->size();
    const double ticks = (*replay->ticks)[round];
    const StatsCase& stats_case = *replay->stats_case;
    const Clock& clock = *replay->clock;
    if ((*replay->unexplained)[round]) {
        const std::string message =
            "round " + std::to_string(round + 1) + ": " + std::to_string(std::lround(ticks)) +
            " ticks per scan, " + (ticks < 0 ? "below zero" : "under a third of the copy's median") +
            ", which the calibration cannot explain; left out of the headline and the ratios";
        state.SkipWithError(message.c_str());
        for (auto _ : state) {
        }
        return;
    }
    for (auto _ : state) state.SetIterationTime(ticks * stats_case.runs / clock.ticks_per_second);
    const double cycles = clock.ticks_per_cycle > 0 ? ticks / clock.ticks_per_cycle : 0;
    state.counters["ticks"] = ticks;
    state.counters["cycles"] = cycles;
    state.counters["len"] = stats_case.scan_length;
    state.counters["code_bytes"] = *stats_case.copy->code_bytes;
    // What one taken branch costs, if the scan's whole cost were its taken branches: the
    // figure that compares layouts which take different numbers of branches.
    if (stats_case.taken_branches > 0) {
        const auto taken = static_cast<double>(stats_case.taken_branches);
        state.counters["taken"] = taken;
        state.counters["ticks_per_taken"] = ticks / taken;
        state.counters["cycles_per_taken"] = cycles / taken;
        state.counters["line_changes"] = static_cast<double>(stats_case.line_changes);
        state.counters["window_changes"] = static_cast<double>(stats_case.window_changes);
        state.counters["boundary_jumps"] = static_cast<double>(stats_case.boundary_jumps);
    }
    // The processor's own counts per scan, where the kernel offers them; pmu_trusted 0
    // where they disagree with the exact count (the context says why).
    if (stats_case.pmu) {
        const PerScan& pmu = *stats_case.pmu;
        state.counters["pmu_cycles"] = pmu.values[0];
        state.counters["pmu_instructions"] = pmu.values[1];
        state.counters["pmu_branches"] = pmu.values[2];
        state.counters["pmu_branch_misses"] = pmu.values[3];
        state.counters["pmu_trusted"] = pmu.trusted ? 1 : 0;
    }
}

}  // namespace

Clock measure_clock() {
    const SelfcheckCase& reference = selfcheck_cases[CHAIN_1000_ROW];
    const Stamp start = stamp();
    std::int64_t lowest_ticks = std::numeric_limits<std::int64_t>::max();
    for (int measurement = 0; measurement < REFERENCE_MEASUREMENTS; ++measurement) {
        reference.copy.measure_cycles();
        lowest_ticks = std::min(lowest_ticks, meter_result);
    }
    const Stamp end = stamp();
    Clock clock{};
    clock.ticks_per_second = (end.ticks - start.ticks) / (end.seconds - start.seconds);
    if (lowest_ticks > 0)
        clock.ticks_per_cycle = static_cast<double>(lowest_ticks) / reference.chain_length;
    return clock;
}

namespace {

// A case's figure in a round: ticks per scan from the net ticks of its calls (the copies'
// meter instances leave the net ticks of all their runs, not a rounded figure per run).
double case_figure(const StatsCase& stats_case, const BenchCase& copy) {
    const int calls = stats_case.sample == "short" ? SHORT_SAMPLE_CALLS : 1;
    double net = 0;
    for (int call = 0; call < calls; ++call) {
        copy.measure_cycles();
        net += static_cast<double>(meter_result);
    }
    return net / (static_cast<double>(calls) * stats_case.runs);
}

}  // namespace

MeasuredRounds measure_rounds(const std::vector<StatsCase>& cases, const RoundsRequest& request) {
    MeasuredRounds measured;
    measured.ticks.assign(request.order.size(), {});
    measured.places.assign(request.order.size(), {});
    // Positions into request.order; the A/A case's second call is the position past them.
    std::vector<std::size_t> order;
    for (std::size_t position = 0; position < request.order.size(); ++position) order.push_back(position);
    if (request.again) order.push_back(request.order.size());
    const StatsCase twin = twin_stats_case();
    const StatsCase* again = request.again ? &second_call(*request.again, cases, twin) : nullptr;
    const auto stats_case = [&](std::size_t position) -> const StatsCase& {
        return position < request.order.size() ? cases[request.order[position]] : *again;
    };
    // The copies the rounds call: each laid from its built copy, the A/A case's second call
    // too, independently of its first, where the places are sampled.
    std::vector<LaidCopy> laid(order.size());
    for (std::size_t position = 0; position < order.size(); ++position)
        laid[position].built = stats_case(position).copy;
    CopyPlaces places;
    std::random_device entropy;
    if (!request.fixed_places && !open_copy_places(places, (std::uint64_t{entropy()} << 32) | entropy())) {
        measured.problem = "cannot reserve the pages to lay the copies in (--placement=fixed measures "
                           "them where the build laid them)";
        return measured;
    }
    const auto copy = [&](std::size_t position) -> const BenchCase& {
        return request.fixed_places ? *laid[position].built : laid[position].copy;
    };
    const auto place = [&](std::size_t position) {
        return request.fixed_places
                   ? static_cast<double>(reinterpret_cast<std::uintptr_t>(laid[position].built->entry) % 4096)
                   : static_cast<double>(laid[position].entry_page_offset);
    };
    const auto lay_afresh = [&] {
        return lay_all_afresh(places, laid);
    };
    std::vector<double> figures(order.size());
    std::mt19937_64 shuffler(entropy());
    const auto round = [&] {
        std::shuffle(order.begin(), order.end(), shuffler);
        const double probe = probe_cycles_per_jump();
        for (const std::size_t position : order) figures[position] = case_figure(stats_case(position), copy(position));
        return probe;
    };
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    double last_round = 0;
    for (int count = 0;
         request.rounds ? count < *request.rounds
                        : count < request.fewest ||
                              std::chrono::duration<double>(Clock::now() - start).count() + last_round <=
                                  request.seconds;
         ++count) {
        if (!request.fixed_places && count % RELAY_ROUNDS == 0 && !lay_afresh()) {
            measured.problem = "cannot lay a copy at a random place (--placement=fixed measures them "
                               "where the build laid them)";
            break;
        }
        if (count == 0) round();  // the warm-up: the process's pages, the predictors
        const Clock::time_point round_start = Clock::now();
        measured.probes.push_back(round());
        for (std::size_t position = 0; position < request.order.size(); ++position) {
            measured.ticks[position].push_back(figures[position]);
            measured.places[position].push_back(place(position));
        }
        if (request.again) {
            measured.again.push_back(figures.back());
            measured.again_places.push_back(place(request.order.size()));
        }
        last_round = std::chrono::duration<double>(Clock::now() - round_start).count();
    }
    if (!request.fixed_places) close_copy_places(places);
    return measured;
}

void measure_scan_lengths(std::vector<StatsCase>& cases, const std::vector<bool>& selected) {
    for (std::size_t index = 0; index < cases.size(); ++index)
        if (selected[index]) cases[index].scan_length = cases[index].copy->measure_cycles();
}

void register_selection(const std::vector<StatsCase>& cases, std::vector<bool>& selected) {
    selected.assign(cases.size(), false);
    for (std::size_t index = 0; index < cases.size(); ++index)
        benchmark::RegisterBenchmark(cases[index].name.c_str(), note_selected, &selected, index)
            ->UseManualTime();
}

void register_replays(std::vector<Replay>& replays) {
    for (Replay& replay : replays) {
        const std::vector<bool>& unexplained = *replay.unexplained;
        replay.next = static_cast<std::size_t>(
            std::find(unexplained.begin(), unexplained.end(), false) - unexplained.begin());
        if (replay.next == unexplained.size()) replay.next = 0;  // no aggregates then
        benchmark::RegisterBenchmark(replay.stats_case->name.c_str(), replay_round, &replay)
            ->UseManualTime()
            ->ComputeStatistics("min", lowest)
            ->ComputeStatistics(HEADLINE_AGGREGATE, undisturbed_level);
    }
}

double lowest(const std::vector<double>& figures) {
    return figures.empty() ? 0 : *std::min_element(figures.begin(), figures.end());
}

