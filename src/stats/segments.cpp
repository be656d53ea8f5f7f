#include "stats/segments.hpp"

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/child_process.hpp"
#include "host/output_file.hpp"
#include "stats/realtime.hpp"
#include "stats/report_text.hpp"
#include "progress/progress.hpp"
#include "stats/paired.hpp"
#include "stats/statistics.hpp"
#include "stats/undisturbed.hpp"

namespace {

// The request's arguments: parent pid, realtime (0/1), rounds (0: by time), seconds,
// fewest, the A/A control's copy (-1: none), whether its twin stands in (0/1) and whether
// the places are fixed (0/1), then the cases.
std::vector<std::string> request_arguments(const SegmentPlan& plan, int rounds, double seconds,
                                           int fewest) {
    std::vector<std::string> arguments{
        std::to_string(getpid()), plan.realtime ? "1" : "0", std::to_string(rounds),
        std::to_string(seconds), std::to_string(fewest),
        plan.again ? std::to_string(plan.again->copy) : "-1", plan.again && plan.again->twin ? "1" : "0",
        plan.fixed_places ? "1" : "0"};
    for (const std::size_t index : plan.order) arguments.push_back(std::to_string(index));
    return arguments;
}

// Starts one process and takes all it writes; "" when it ended with 0. No time limit: the
// rounds take what the plan gives them, and the process dies with the tool.
std::string run_process(const std::string& executable, const std::vector<std::string>& request,
                        std::string& output) {
    std::vector<std::string> words{executable, SEGMENT_FLAG};
    words.insert(words.end(), request.begin(), request.end());
    ChildRun run = run_child(words, "", 0);
    output = std::move(run.output);
    return run.problem;
}

}  // namespace

std::string own_executable() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return "";
    return std::string(path, static_cast<std::size_t>(length));
}

bool too_few_for_intervals(const Segments& segments) {
    for (const std::vector<double>& ticks : segments.rounds.ticks) {
        const std::vector<bool> counts = undisturbed_figures(ticks);
        std::size_t processes = 0, first = 0;
        for (const std::size_t rounds : segments.segment_rounds) {
            processes += std::find(counts.begin() + static_cast<std::ptrdiff_t>(first),
                                   counts.begin() + static_cast<std::ptrdiff_t>(first + rounds),
                                   true) != counts.begin() + static_cast<std::ptrdiff_t>(first + rounds);
            first += rounds;
        }
        if (segments.segment_rounds.size() > 1 && interval_rank(std::min(processes, SEGMENT_BLOCKS)) == 0)
            return true;
    }
    return false;
}

void append_segments(Segments& segments, const Segments& more) {
    MeasuredRounds& rounds = segments.rounds;
    for (std::size_t position = 0; position < rounds.ticks.size(); ++position) {
        rounds.ticks[position].insert(rounds.ticks[position].end(), more.rounds.ticks[position].begin(),
                                      more.rounds.ticks[position].end());
        rounds.places[position].insert(rounds.places[position].end(), more.rounds.places[position].begin(),
                                       more.rounds.places[position].end());
    }
    rounds.again.insert(rounds.again.end(), more.rounds.again.begin(), more.rounds.again.end());
    rounds.again_places.insert(rounds.again_places.end(), more.rounds.again_places.begin(),
                               more.rounds.again_places.end());
    rounds.probes.insert(rounds.probes.end(), more.rounds.probes.begin(), more.rounds.probes.end());
    segments.segment_rounds.insert(segments.segment_rounds.end(), more.segment_rounds.begin(),
                                   more.segment_rounds.end());
}

std::string measure_segments(const std::string& executable, const SegmentPlan& plan,
                             Segments& segments) {
    const int processes = plan.rounds ? std::min(plan.processes, *plan.rounds) : plan.processes;
    const double seconds = ROUND_BUDGET_SECONDS / processes;
    const int fewest = (MIN_ROUNDS + processes - 1) / processes;
    const std::size_t width = plan.order.size() + (plan.again ? 1 : 0);
    segments = Segments{};
    segments.rounds.ticks.assign(plan.order.size(), {});
    segments.rounds.places.assign(plan.order.size(), {});
    // At a terminal, a line that says which process measures; nothing in a pipe.
    Progress progress = progress_on_standard_error();
    for (int process = 0; process < processes; ++process) {
        show_progress(progress,
                      "jumpbench-stats: measuring in process " + std::to_string(process + 1) + " of " +
                          std::to_string(processes) +
                          (plan.rounds ? std::string()
                                       : ", about " + std::to_string(std::lround(seconds * (processes - process))) +
                                             " s left"),
                      true);
        const int rounds = plan.rounds ? *plan.rounds / processes + (process < *plan.rounds % processes)
                                       : 0;
        std::string output;
        const std::string problem =
            run_process(executable, request_arguments(plan, rounds, seconds, fewest), output);
        const std::string which =
            "measuring process " + std::to_string(process + 1) + " of " + std::to_string(processes);
        if (!problem.empty()) {
            end_progress(progress);
            return which + ": " + problem;
        }
        // Each round: the probe, the cases' figures and the A/A figure, then their places.
        const std::size_t per_round = (1 + 2 * width) * sizeof(double);
        if (output.empty() || output.size() % per_round != 0) {
            end_progress(progress);
            return which + " gave " + std::to_string(output.size()) + " bytes, not whole rounds";
        }
        const std::size_t count = output.size() / per_round;
        std::vector<double> values(output.size() / sizeof(double));
        std::memcpy(values.data(), output.data(), output.size());
        for (std::size_t round = 0; round < count; ++round) {
            const double* figures = values.data() + round * (1 + 2 * width);
            const double* places = figures + 1 + width;
            segments.rounds.probes.push_back(figures[0]);
            for (std::size_t position = 0; position < plan.order.size(); ++position) {
                segments.rounds.ticks[position].push_back(figures[1 + position]);
                segments.rounds.places[position].push_back(places[position]);
            }
            if (plan.again) {
                segments.rounds.again.push_back(figures[width]);
                segments.rounds.again_places.push_back(places[width - 1]);
            }
        }
        segments.segment_rounds.push_back(count);
    }
    end_progress(progress);
    return "";
}

int run_segment(const std::vector<StatsCase>& cases, int argc, char** argv) {
    long long parent, realtime, rounds, fewest, again, twin, fixed;
    const auto refuse = [] {
        std::fprintf(stderr, "jumpbench-stats: %s is for the tool's own measuring processes\n",
                     SEGMENT_FLAG);
        return 2;
    };
    if (argc < 9 || !read_integer(argv[0], 1, INT_MAX, parent) || !read_integer(argv[1], 0, 1, realtime) ||
        !read_integer(argv[2], 0, INT_MAX, rounds) || !read_integer(argv[4], 1, INT_MAX, fewest) ||
        !read_integer(argv[5], -1, static_cast<long long>(cases.size()) - 1, again) ||
        !read_integer(argv[6], 0, 1, twin) || !read_integer(argv[7], 0, 1, fixed))
        return refuse();
    // Gone with the tool: an interrupted run leaves no process measuring.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) return 1;
    RoundsRequest request;
    char* end = nullptr;
    request.seconds = std::strtod(argv[3], &end);
    if (*end != '\0' || !(request.seconds >= 0)) return refuse();
    for (int index = 8; index < argc; ++index) {
        long long value;
        if (!read_integer(argv[index], 0, static_cast<long long>(cases.size()) - 1, value)) return refuse();
        request.order.push_back(static_cast<std::size_t>(value));
    }
    if (again >= 0) request.again = AAControl{static_cast<std::size_t>(again), twin != 0};
    if (rounds > 0) request.rounds = static_cast<int>(rounds);
    request.fewest = static_cast<int>(fewest);
    request.fixed_places = fixed != 0;
    use_realtime_scheduling(realtime != 0);

    const MeasuredRounds measured = measure_rounds(cases, request);
    if (!measured.problem.empty()) {
        std::fprintf(stderr, "jumpbench-stats: %s\n", measured.problem.c_str());
        return 1;
    }
    std::vector<double> values;
    for (std::size_t round = 0; round < measured.rounds(); ++round) {
        values.push_back(measured.probes[round]);
        for (const std::vector<double>& ticks : measured.ticks) values.push_back(ticks[round]);
        if (request.again) values.push_back(measured.again[round]);
        for (const std::vector<double>& places : measured.places) values.push_back(places[round]);
        if (request.again) values.push_back(measured.again_places[round]);
    }
    if (!write_all(STDOUT_FILENO, values.data(), values.size() * sizeof(double))) {
        std::fprintf(stderr, "jumpbench-stats: a measuring process cannot write to the tool: %s\n",
                     std::strerror(errno));
        return 1;
    }
    return 0;
}
