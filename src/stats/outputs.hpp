// What the tool gives the user: the table on standard output, the CSV file of every run's
// figures and the chart drawn by gnuplot.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "stats/figures.hpp"
#include "stats/report_parse.hpp"

// Every run's tick figures, row by row: ticks[row][run], runs counted from 0.
struct RunFigures {
    RunReport cases;  // run 1's report: the labels, code bytes and scan lengths of all runs
    std::size_t run_count;
    std::int32_t ticks[MAX_ROWS][MAX_RUNS];
};

// The conversion to estimated core cycles, when there is one.
struct CycleRatio {
    bool known;
    double ticks_per_cycle;  // > 0
    const char* source;      // where it came from, for the heading
};

// The heading, one line per row with its label, code bytes, scan length, min, median, max,
// spread and (with a ratio) the median in estimated core cycles, and what they mean.
void print_table(std::FILE* out, const char* program, const RunFigures& runs,
                 const RowFigures* rows, const CycleRatio& ratio);

// One CSV line per run and row under the header "run,row,label,code_bytes,scan_length,ticks"
// (run and row from 1, the label always quoted). False, with `problem`, when the file
// cannot be written.
bool write_csv(const char* path, const RunFigures& runs, Problem& problem);

// True when `path` ends in ".png" or ".svg" (in any case): the chart formats.
bool is_chart_path(const char* path);

// Has gnuplot draw the medians as bars with min-max whiskers, one colour per scan length,
// into `path` (PNG or SVG). False, with `problem`, when gnuplot is missing or fails.
bool draw_chart(const char* path, const RunFigures& runs, const RowFigures* rows, Problem& problem);
