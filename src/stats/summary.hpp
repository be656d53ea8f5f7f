// The screen that answers, after the details: per sample, the layouts ranked by their time
// per scan at their best offset, each against the fastest layout at its best offset with
// the interval and verdict of that pair (and the same at their worst offsets), the groups
// of neighbours in the ranking that are the same within the noise band, and how much the
// offset mattered. Layouts whose scans end elsewhere on the text are named apart.
#pragma once

#include <string>

#include "stats/results.hpp"

// `text_name` names the long sample's text in the headings ("the long sample", or the
// user's file).
std::string summary_text(const Results& results, const std::string& text_name);
