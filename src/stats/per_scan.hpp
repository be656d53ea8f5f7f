// What the counters' readings mean per scan of a kernel copy, and whether they can be
// trusted: plain arithmetic on the readings (platform/hardware_counters.hpp).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/hardware_counters.hpp"

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
// removed. Trusted only where the group counted all the time it was enabled and the
// instructions per scan (the second event) equal `exact_instructions`, the profile's count
// for the copy, to within `tolerance`.
PerScan counts_per_scan(const CounterReading& counted, const MeterOverhead& overhead,
                        std::uint64_t runs, std::uint64_t exact_instructions, double tolerance = 0.5);
