#include "stats/per_scan.hpp"

#include <cmath>
#include <cstdio>

PerScan counts_per_scan(const CounterReading& counted, const MeterOverhead& overhead,
                        std::uint64_t runs, std::uint64_t exact_instructions, double tolerance) {
    PerScan scan;
    if (runs == 0) {
        scan.trusted = false;
        scan.reason = "no scans ran";
        return scan;
    }
    for (std::size_t index = 0; index < MAX_COUNTERS; ++index) {
        scan.values[index] = static_cast<double>(counted.values[index]) / static_cast<double>(runs) -
                             overhead.per_run[index];
    }
    const std::uint64_t enabled = counted.time_enabled;
    const std::uint64_t running = counted.time_running;
    char text[160];
    if (running < enabled) {
        std::snprintf(text, sizeof text,
                      "the counters ran %.1f %% of the time (shared with others: multiplexed)",
                      enabled == 0 ? 0.0 : 100.0 * static_cast<double>(running) / enabled);
        scan.trusted = false;
        scan.reason = text;
    } else if (std::fabs(scan.values[1] - static_cast<double>(exact_instructions)) > tolerance) {
        std::snprintf(text, sizeof text,
                      "%.1f instructions per scan counted where the copy runs exactly %llu",
                      scan.values[1], static_cast<unsigned long long>(exact_instructions));
        scan.trusted = false;
        scan.reason = text;
    }
    return scan;
}
