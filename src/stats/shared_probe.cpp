#include "stats/shared_probe.hpp"

#include <algorithm>

#include "meter/cycle_meter.hpp"
#include "stats/statistics.hpp"

METER_COPY_SYMBOLS(probe_jumps)
METER_COPY_SYMBOLS(probe_adds)

const BenchCase probe_jumps_case{"", "probe/jumps", measure_probe_jumps, &probe_jumps_code_bytes,
                                 probe_jumps_entry, probe_jumps_exit};
const BenchCase probe_adds_case{"", "probe/adds", measure_probe_adds, &probe_adds_code_bytes,
                                probe_adds_entry, probe_adds_exit};

double probe_cycles_per_jump() {
    // Each chain twice, alternately, the lower of each: an interruption inside one call
    // makes it high, and a high add chain alone would make a shared core look unshared.
    double jumps = 0, adds = 0;
    for (int pass = 0; pass < PROBE_PASSES; ++pass) {
        probe_jumps_case.measure_cycles();
        const double jump_ticks = static_cast<double>(meter_result);
        probe_adds_case.measure_cycles();
        const double add_ticks = static_cast<double>(meter_result);
        jumps = pass == 0 ? jump_ticks : std::min(jumps, jump_ticks);
        adds = pass == 0 ? add_ticks : std::min(adds, add_ticks);
    }
    if (jumps <= 0 || adds <= 0) return 0;
    const double ticks_per_jump = jumps / (double{PROBE_JUMPS} * PROBE_JUMP_RUNS);
    const double ticks_per_add = adds / (double{PROBE_ADDS} * PROBE_ADD_RUNS);
    return ticks_per_jump / ticks_per_add;
}

SharedShare shared_share(const std::vector<double>& cycles_per_jump) {
    SharedShare share;
    std::vector<double> explained;
    for (const double probe : cycles_per_jump)
        if (probe > 0) explained.push_back(probe);
    share.probes = explained.size();
    if (explained.empty()) return share;
    share.median = median_interval(explained).median;
    share.fast_level = quantile(explained, PROBE_FAST_QUANTILE);
    for (const double probe : explained) share.shared += probe > SHARED_ABOVE_FAST * share.fast_level;
    return share;
}
