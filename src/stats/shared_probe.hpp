// Whether the processor's core was shared with another thread while the tool measured.
//
// On this project's machine (virtual processors that are threads of cores the host shares
// with other tenants) the kernels run in two phases: the fast one, and a slow one in which
// front-end-bound code, such as the branchy kernels, takes about twice as long while an add
// chain takes about 5 % longer. A fast level found inside an invocation cannot tell which
// phase it is: an invocation that ran slow throughout takes the slow phase for its fast
// level. The probe needs no fast stretch: it times a chain of taken jumps and a chain of
// dependent adds, one core cycle per add, in the same moment, and gives the jumps' cost in
// core cycles. A core of its own runs the chain at its own fixed cost per jump; a shared
// one well above it.
#pragma once

#include <cstdint>
#include <vector>

#include "meter/bench_case.hpp"
#include "stats/shared_probe.h"

// The probe's meter instances, for the tests that read laid-out code back.
extern const BenchCase probe_jumps_case;
extern const BenchCase probe_adds_case;

// One probe: core cycles per taken jump, from the jump chain's ticks per jump over the add
// chain's ticks per add, each the lower of PROBE_PASSES calls. Below or at 0 when a figure
// could not be explained (a net time at or below zero).
inline constexpr int PROBE_PASSES = 2;
double probe_cycles_per_jump();

// A probe counts as shared where it lies this many times above the run's own fast level
// (the PROBE_FAST_QUANTILE of its explained probes, from every process of the invocation).
// A core's own rate of taken jumps differs from one processor to the next: on this
// project's machines a core of its own ran the chain at 0.50 to 0.55 cycles per jump on an
// AMD family 26 (two taken jumps a cycle) and at 1.00 on a family 25 model 17 (one a cycle),
// and a shared one at 1.0 to 1.4 on the former (docs/stats-measurements.md). A fixed limit
// fits only one of them; the run's fast level fits both. The price: an invocation that ran
// shared from its first round to its last has the shared level for its fast level, and
// shows no sign; the context line gives the fast level in cycles per jump for that reason.
inline constexpr double SHARED_ABOVE_FAST = 1.4;
inline constexpr double PROBE_FAST_QUANTILE = 0.05;

// More than this share of a run's probes shared: the whole run ran on a shared core.
inline constexpr double SHARED_RUN_SHARE = 0.5;

struct SharedShare {
    std::size_t probes = 0;  // explained ones (above 0)
    std::size_t shared = 0;  // of those, above SHARED_ABOVE_FAST times the fast level
    double median = 0;       // of the explained probes, core cycles per jump
    double fast_level = 0;   // their PROBE_FAST_QUANTILE, core cycles per jump
    double share() const { return probes ? static_cast<double>(shared) / probes : 0; }
    bool whole_run() const { return probes > 0 && share() > SHARED_RUN_SHARE; }
};

// The share of the probes that ran shared against the probes' own fast level, their median
// and that level; probes at or below 0 are left out.
SharedShare shared_share(const std::vector<double>& cycles_per_jump);
