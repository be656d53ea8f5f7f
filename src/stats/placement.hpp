// The placement summary: each row of the case table with its headline figure at every
// entry offset, and for each pair of long-sample layouts whether one is faster at every
// offset or their order depends on where their copies lie.
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

enum class Order { FIRST_FASTER, SECOND_FASTER, DEPENDS_ON_OFFSET };

struct OrderVerdict {
    // Lower ticks at the same offset, offset by offset: the same layout at all of them,
    // or not (a tie at any offset counts as not).
    Order order;
    // The faster layout's highest figure below the other's lowest: faster whatever
    // offsets the two copies get.
    bool whatever_the_placement;
};

// Both rows must have every offset's figure.
OrderVerdict order_of(const PlacementRow& first, const PlacementRow& second);

// The summary as text: the table of rows by offset with each row's lowest and highest,
// then a verdict for every pair of long-sample layouts measured at every offset.
std::string placement_summary(const std::vector<PlacementRow>& rows);
