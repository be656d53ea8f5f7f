// The A/A control: a copy compared with itself, whose interval must hold 1; its width is the
// tool's own noise floor. Where its reference copy (TWIN_OF, placed_cases.hpp) is selected,
// its twin (the same bytes at the same offset in a slot of its own) is measured beside it;
// else the first selected long-sample copy (or the first selected copy) is called a second time in
// every round.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "stats/stats_case.hpp"

struct AAControl {
    std::size_t copy;  // the case called twice, or the one the twin copies
    bool twin;         // the twin measured in place of the copy's second call
};

// The control among the selected cases; none where no case is selected.
std::optional<AAControl> choose_aa_control(const std::vector<StatsCase>& cases,
                                           const std::vector<bool>& selected);

// The case whose call gives the control's second figure each round: the twin, or the copy.
const StatsCase& second_call(const AAControl& control, const std::vector<StatsCase>& cases,
                             const StatsCase& twin);

// How the context and the JSON name the control and its second figures.
std::string aa_words(const AAControl& control, const std::vector<StatsCase>& cases);
std::string second_name(const AAControl& control, const std::vector<StatsCase>& cases);
