// The comparison as text: a table per sample for the console, the same as Markdown, and
// CSV with one line per run and row (full precision, for other programs). Each names the
// columns below the table: the processor, the build and text, the run's date and file.
#pragma once

#include <string>
#include <vector>

#include "compare/comparison.hpp"

std::string console_table(const Comparison& comparison, const std::vector<Run>& runs);
std::string markdown_table(const Comparison& comparison, const std::vector<Run>& runs);
std::string csv_table(const Comparison& comparison, const std::vector<Run>& runs);

// "0.690 [0.681, 0.702] faster", "0.998 [0.990, 1.004] =", "—" where the run has no such pair.
std::string cell_text(const Cell& cell);
