// The processor's own counters, where the kernel offers them: core cycles, instructions,
// branches and branch misses of this thread, user space only, opened as one group and read
// at once. Linux implements them (linux/hardware_counters.cpp, perf_event_open); Windows
// offers a program none without a driver, and no Windows build links a tool that counts.
// What the readings mean per scan is the stats tool's (stats/per_scan.hpp).
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
