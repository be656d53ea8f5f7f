#include "stats/shared_probe.hpp"

#include "meter/cycle_meter.hpp"

METER_COPY_SYMBOLS(probe_jumps)
METER_COPY_SYMBOLS(probe_adds)

const BenchCase probe_jumps_case{"", "probe/jumps", measure_probe_jumps, &probe_jumps_code_bytes,
                                 probe_jumps_entry, probe_jumps_exit};
const BenchCase probe_adds_case{"", "probe/adds", measure_probe_adds, &probe_adds_code_bytes,
                                probe_adds_entry, probe_adds_exit};

double probe_cycles_per_jump() {
    probe_jumps_case.measure_cycles();
    const double jumps = static_cast<double>(meter_result);
    probe_adds_case.measure_cycles();
    const double adds = static_cast<double>(meter_result);
    if (jumps <= 0 || adds <= 0) return 0;
    const double ticks_per_jump = jumps / (double{PROBE_JUMPS} * PROBE_JUMP_RUNS);
    const double ticks_per_add = adds / (double{PROBE_ADDS} * PROBE_ADD_RUNS);
    return ticks_per_jump / ticks_per_add;
}

SharedShare shared_share(const std::vector<double>& cycles_per_jump) {
    SharedShare share;
    for (const double probe : cycles_per_jump) {
        if (probe <= 0) continue;
        ++share.probes;
        share.shared += probe > SHARED_CYCLES_PER_JUMP;
    }
    return share;
}
