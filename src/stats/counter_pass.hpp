// The processor's counters per scan of each selected long-sample copy, where the kernel
// offers them: after the rounds, each copy's meter is called a few times at its run count
// and at half of it, with the counter group read around each call. The difference between
// the two run counts cancels what a call costs whatever its runs (the priority calls, the
// serialising instructions); the meter's loop per run is the self-check's empty kernel's
// per run, less that kernel's two instructions. The counts are then checked against the
// profile's exact instructions (per_scan.hpp).
#pragma once

#include <string>
#include <vector>

#include "platform/hardware_counters.hpp"
#include "stats/stats_case.hpp"

// Fills each selected long-sample case's `pmu`. "" when done; else why the counters could
// not be read (the cases keep no `pmu` then).
std::string count_with_counters(std::vector<StatsCase>& cases, const std::vector<bool>& selected,
                                CounterGroup& group);

// The same with the processor's four counters, where the kernel offers them to this thread:
// `not_opened` says why it does not, `problem` what went wrong reading them (both "" when
// every copy was counted). Where they cannot be had (a virtual machine without them, a
// kernel or emulator without perf events) nothing else changes.
void count_with_processor_counters(std::vector<StatsCase>& cases, const std::vector<bool>& selected,
                                   std::string& not_opened, std::string& problem);
