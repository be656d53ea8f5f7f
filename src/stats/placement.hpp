// The placement summary: each row of the case table with its headline figure at every
// entry offset. Which differences are shown is for the paired ratios (paired.hpp) to say.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "stats/placed_cases.hpp"

struct PlacementRow {
    std::string layout;
    std::string sample;
    // By PLACEMENT_OFFSETS' index; empty where that copy was not measured (a filter).
    std::optional<double> ticks[PLACEMENT_COUNT];
};

// The summary as text: the table of rows by offset with each row's lowest and highest.
std::string placement_summary(const std::vector<PlacementRow>& rows);
