// Runs of the kernel in one call of a stats copy's meter instance, and the divisor of its
// figure, by sample (ROUND_RUNS_<sample>). Shared by the copies' assembly and the C++ that
// reads their figures.
//
// The benchmark's 100000 runs take some 25 ms a call natively; this machine's processor
// runs in phases, from a fraction of a second to seconds long, in which the branchy kernels
// take about twice as long, so such a call, and a round of 28 of them, often mixes the
// two. A thousand runs of a long-sample copy take a quarter of a millisecond: a call falls
// in one phase, and the tool can tell the phases apart round by round. A call also costs
// some 30 us beside its runs here (the serialising CPUIDs leave the virtual machine, the
// priority calls enter the kernel), so a short-sample copy, whose runs take a dozen ticks
// each, is called with more of them (measure.hpp: several calls a round, for the rounding).
#pragma once

#define ROUND_RUNS_long 1000
#define ROUND_RUNS_short 4000
