// The rounds measured in several fresh processes of this tool, one after the other: each
// process a segment, the interval of every ratio taken over the segments (paired.hpp).
// A process is started from the tool's own executable with SEGMENT_FLAG and a request in
// its arguments, measures its rounds and writes their figures, as raw doubles, to its
// standard output, a pipe the tool reads. It dies with the tool (PR_SET_PDEATHSIG), so an
// interrupted run leaves none measuring.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "stats/measure.hpp"
#include "stats/stats_case.hpp"

// The first argument of a measuring process; not for users.
inline constexpr char SEGMENT_FLAG[] = "--measuring-process";

// Processes by default, and at most. With 10 the interval of a median runs from the 2nd
// lowest to the 2nd highest process median, at 97.9 %. Measured here with 20 (6
// invocations each, docs/stats-measurements.md): the medians spread less across
// invocations, but the intervals held the other invocations' medians less often, over 20
// single processes and over 10 blocks of two alike.
inline constexpr int DEFAULT_PROCESSES = 10;
inline constexpr int MOST_PROCESSES = 100;

// The seconds of rounds a default invocation measures, shared among its processes, and
// the fewest rounds of an invocation (the fewest with an interval of a median).
inline constexpr double ROUND_BUDGET_SECONDS = 24;
inline constexpr int MIN_ROUNDS = 6;

struct SegmentPlan {
    std::vector<std::size_t> order;    // the selected cases
    std::optional<AAControl> again;    // RoundsRequest's again
    std::optional<int> rounds;         // in all, split among the processes; else by time
    int processes = DEFAULT_PROCESSES;
    bool realtime = true;
    bool fixed_places = false;  // RoundsRequest's
};

// All the processes' rounds, one after the other.
struct Segments {
    MeasuredRounds rounds;
    std::vector<std::size_t> segment_rounds;  // rounds of each process, in order
};

// Whether some copy of the plan has figures that count (undisturbed) in too few of the
// processes for an interval of its ratios: fewer than the fewest with one.
bool too_few_for_intervals(const Segments& segments);

// `more`'s processes after `segments`' own.
void append_segments(Segments& segments, const Segments& more);

// Runs the processes; "" when all measured, else what went wrong.
std::string measure_segments(const std::string& executable, const SegmentPlan& plan,
                             Segments& segments);

// The measuring process's side: called with the arguments after SEGMENT_FLAG; gives the
// exit code.
int run_segment(const std::vector<StatsCase>& cases, int argc, char** argv);

// The tool's own executable, for starting it again ("" where it cannot be found).
std::string own_executable();
