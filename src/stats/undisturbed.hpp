// Which figures count. The processor runs in phases (on this project's machine: for a
// fraction of a second to minutes the branchy kernels take about twice as long), and in a
// slow phase the layouts' ratios are other ones, so a median over all rounds would move with
// the share of slow rounds. Only the undisturbed figures count: those within
// UNDISTURBED_BAND of their copy's fast level. And a figure the calibration cannot explain
// counts for nothing at all.
#pragma once

#include <vector>

// A copy's fast level: this quantile of its explained figures, low enough to lie among the
// fast phase's figures while at least a tenth of the rounds are fast, robust against a few
// figures that are too low.
inline constexpr double FAST_LEVEL_QUANTILE = 0.05;

// An undisturbed figure is at most this many times its copy's fast level. Measured here,
// the fast phase's figures lie within about 1.2 times the fast level and the slow phase's
// at 1.8 to 2.2 times it; what lies between is a call that a phase change or an
// interruption cut through.
inline constexpr double UNDISTURBED_BAND = 1.3;

// A figure the calibration cannot explain: a net time below zero, or below a third of the
// copy's median figure. The meter subtracts an empty loop's time measured just before; a
// disturbance inside that short interval makes the difference far too small. Slow phases
// of the machine make a copy's figures up to about twice its fast ones, never three times,
// so a real fast figure is never taken for one of these.
inline constexpr double FAR_BELOW = 1.0 / 3;

// For each figure, whether the calibration cannot explain it.
std::vector<bool> unexplained_figures(const std::vector<double>& figures);

// For each figure, whether it is undisturbed: not unexplained, and within
// UNDISTURBED_BAND of the fast level of the explained figures.
std::vector<bool> undisturbed_figures(const std::vector<double>& figures);

// A copy's level, its headline and what its ratios compare: this quantile of its
// undisturbed figures. Among them a copy's figures still sit in several states of the
// processor (about 1.00, 1.05 and 1.12 times its fast level, measured here), whose shares
// move from second to second; a low quantile lies in the fastest state whatever its share,
// where the median moves with the shares. Measured over 8 invocations at the defaults
// (docs/stats.md): the headlines moved 0.02 % between invocations (median; the median of
// the undisturbed figures 0.73 %), the ratios of levels 0.06 % (the median of the
// per-round ratios 0.20 %). The 5th percentile was as steady in the median but not in the
// worst: a few figures decide it.
inline constexpr double LEVEL_QUANTILE = 0.10;

// The level of figures already known undisturbed: their LEVEL_QUANTILE; 0 for none.
double level_of(const std::vector<double>& undisturbed);

// The headline of a copy: the level of its undisturbed figures, given its explained ones;
// the same rule applied to any figure proportional to its ticks (Google Benchmark's time
// and counters), and the figure itself where all are the same. 0 for no figures.
double undisturbed_level(const std::vector<double>& explained);
