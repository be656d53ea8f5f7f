// The stats tool's own console text after Google Benchmark's rows: the verdicts, the ratio
// tables, the A/A control's line and the cost model, each table by the one table writer
// (report_text.hpp).
#pragma once

#include <string>
#include <vector>

#include "stats/cost_model.hpp"
#include "stats/paired.hpp"

// The verdict in words: "few_jumps is 4.1 % faster than many_jumps at offset 48 (95 %: 3.2
// to 5.0 %)" or "many_jumps/long: offset 0 is 9.8 % faster than offset 48 (...)" beyond the
// noise band; "<first> and <second> ...: the same within the noise band of ±0.5 % (...)"
// within it; "<first> vs <second> ...: unclear (...): <what would settle it>" otherwise.
std::string verdict(const PairedRatio& pair, const std::vector<RoundFigures>& copies);

// Per sample, the table of layout ratios by offset and the table of each layout's offsets
// against offset 0, each cell "median [low, high]", the A/A control's line, then the
// verdicts of the differences shown and, grouped, the pairs the same and the unclear ones.
std::string ratio_tables(const std::vector<PairedRatio>& pairs,
                         const std::vector<RoundFigures>& copies, const std::string& text_name = "");

// A sample in headings: "long sample" and "short sample", or "text NAME" where the long
// sample's copies scanned the user's file.
std::string sample_heading(const std::string& sample, const std::string& text_name);

// The model under the placement table: the terms with their coefficients, R², and each
// copy's measured and fitted cycles with the residual; or the reason there is none.
// `copies` names the copies in the model's order.
std::string cost_model_text(const CostModel& model, const std::vector<std::string>& copies);
