// The processor's own counters, where the kernel offers them: core cycles, instructions,
// branches and branch misses of this thread, user space only, read around each call of a
// kernel copy. Opening and reading are the platform's (src/platform/<target>/
// hardware_counters.cpp: perf_event_open on Linux; Windows has none to offer); what the
// readings mean per scan, and whether they can be trusted, is plain arithmetic here.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

enum class CounterEvent { cycles, instructions, branches, branch_misses, task_clock };
inline constexpr std::size_t MAX_COUNTERS = 4;

// The processor's four, in the order the readings give them.
inline constexpr CounterEvent PROCESSOR_EVENTS[MAX_COUNTERS] = {
    CounterEvent::cycles, CounterEvent::instructions, CounterEvent::branches,
    CounterEvent::branch_misses};

struct CounterGroup {
    std::array<int, MAX_COUNTERS> handles{-1, -1, -1, -1};  // the first leads the group
    std::size_t count = 0;
};

// One grouped reading: the counts since the group was opened, and how long the group was
// enabled and how long it really counted. Less running than enabled time means the kernel
// shared the counters with others (multiplexing): the counts are then partial.
struct CounterReading {
    std::array<std::uint64_t, MAX_COUNTERS> values{};
    std::uint64_t time_enabled = 0;
    std::uint64_t time_running = 0;
};

// Opens `events` as one group of this thread, the first pinned as its leader, user space
// only. False with a short reason (what the kernel said) when any of them cannot be opened;
// nothing is left open then.
bool open_counters(const CounterEvent* events, std::size_t count, CounterGroup& group,
                   std::string& reason);
// One read of the whole group. False when it fails.
bool read_counters(const CounterGroup& group, CounterReading& reading);
void close_counters(CounterGroup& group);

// What the meter adds to the counts beyond the scans, per event and run: its loop's
// control around each scan (what a call costs whatever its runs is cancelled beforehand).
struct MeterOverhead {
    std::array<double, MAX_COUNTERS> per_run{};
};

struct PerScan {
    std::array<double, MAX_COUNTERS> values{};
    bool trusted = true;
    std::string reason;  // why not, where not
};

// The counts per scan from the counts of `runs` runs of the copy, the meter's overhead
// removed. Trusted only where the group counted
// all the time it was enabled and the instructions per scan (the second event) equal
// `exact_instructions`, the profile's count for the copy, to within `tolerance`.
PerScan counts_per_scan(const CounterReading& counted, const MeterOverhead& overhead,
                        std::uint64_t runs, std::uint64_t exact_instructions, double tolerance = 0.5);
