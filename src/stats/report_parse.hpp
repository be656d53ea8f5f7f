// Reading what the benchmark and its self-check printed: a run's whole output is checked
// line by line and taken apart into its figures. Fixed capacities, no allocation.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr std::size_t MAX_ROWS = 16;
inline constexpr std::size_t MAX_LABEL_BYTES = 63;

// One report line: "TICKS\tLABEL, CODE_BYTES bytes, len=SCAN_LENGTH\r\n".
struct ReportRow {
    std::int32_t ticks;
    char label[MAX_LABEL_BYTES + 1];  // the text between the tab and ", N bytes"
    std::int32_t code_bytes;
    std::int32_t scan_length;
};

struct RunReport {
    std::size_t row_count;
    ReportRow rows[MAX_ROWS];
};

// What is wrong with an output, as a sentence for the user.
struct Problem {
    char text[512];
};

// True when `output` is a complete report: one or more rows, each ended by CR LF, then the
// closing prompt "\r\n--- ok ---\r" and the final CR LF, and nothing else. Otherwise false,
// with the first fault found (line number, the line as printed) in `problem`.
bool parse_report(const char* output, std::size_t size, RunReport& report, Problem& problem);

// True when `run` has the cases of `reference`: as many rows, each with the same label,
// code bytes and scan length. Otherwise false, with the first difference in `problem`.
bool same_cases(const RunReport& reference, const RunReport& run, Problem& problem);

// The self-check's "ticks per add" of its 1000-add chain, from the line
// "TICKS\tticks  1000 adds, N bytes, X ticks per add, ...". False, with `problem`, when no
// such line with a decimal X is in `output`.
bool parse_ticks_per_add(const char* output, std::size_t size, double& ticks_per_add,
                         Problem& problem);
