// The comparison as a chart drawn by gnuplot (host/gnuplot.hpp, as the stats tool's): at
// one offset, a panel per sample, one group of bars per layout (the reference left out: its
// ratio is 1), one bar per run coloured by its group, so that runs of one processor stand
// side by side in one colour; the 95 % intervals as error bars, a dashed line at 1.
#pragma once

#include <string>

#include "compare/comparison.hpp"

// How long gnuplot may take before it is stopped and no chart is written.
inline constexpr int CHART_TIMEOUT_SECONDS = 60;

// The gnuplot script for a PNG of the rows at `offset`; "" when no row is at that offset.
std::string chart_script(const Comparison& comparison, int offset);
