#include "stats/placement.hpp"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <sstream>

namespace {

std::string figure(double ticks) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", ticks);
    return text;
}

bool complete(const PlacementRow& row) {
    return std::all_of(std::begin(row.ticks), std::end(row.ticks),
                       [](const std::optional<double>& ticks) { return ticks.has_value(); });
}

// The offsets (as text, "0, 32") at which `wanted` holds for the pair's figures.
template <typename Predicate>
std::string offsets_where(const PlacementRow& first, const PlacementRow& second, Predicate wanted) {
    std::string offsets;
    for (std::size_t index = 0; index < PLACEMENT_COUNT; ++index)
        if (wanted(*first.ticks[index], *second.ticks[index]))
            offsets += (offsets.empty() ? "" : ", ") + std::to_string(PLACEMENT_OFFSETS[index]);
    return offsets;
}

std::string verdict_text(const PlacementRow& first, const PlacementRow& second) {
    const OrderVerdict verdict = order_of(first, second);
    if (verdict.order != Order::DEPENDS_ON_OFFSET) {
        const std::string& faster =
            verdict.order == Order::FIRST_FASTER ? first.layout : second.layout;
        return faster + " faster at every offset" +
               (verdict.whatever_the_placement ? ", whatever the placement of either"
                                               : ", but not whatever the placement of either");
    }
    std::string text = "the order depends on the offset: " + first.layout + " faster at " +
                       offsets_where(first, second, std::less<double>());
    const std::string second_faster = offsets_where(first, second, std::greater<double>());
    const std::string equal = offsets_where(first, second, std::equal_to<double>());
    if (!second_faster.empty()) text += "; " + second.layout + " at " + second_faster;
    if (!equal.empty()) text += "; equal at " + equal;
    return text;
}

}  // namespace

OrderVerdict order_of(const PlacementRow& first, const PlacementRow& second) {
    bool first_everywhere = true, second_everywhere = true;
    double first_low = *first.ticks[0], first_high = first_low;
    double second_low = *second.ticks[0], second_high = second_low;
    for (std::size_t index = 0; index < PLACEMENT_COUNT; ++index) {
        const double a = *first.ticks[index], b = *second.ticks[index];
        first_everywhere &= a < b;
        second_everywhere &= b < a;
        first_low = std::min(first_low, a);
        first_high = std::max(first_high, a);
        second_low = std::min(second_low, b);
        second_high = std::max(second_high, b);
    }
    if (first_everywhere) return {Order::FIRST_FASTER, first_high < second_low};
    if (second_everywhere) return {Order::SECOND_FASTER, second_high < first_low};
    return {Order::DEPENDS_ON_OFFSET, false};
}

std::string placement_summary(const std::vector<PlacementRow>& rows) {
    std::vector<std::vector<std::string>> cells{{"copy"}};
    for (int offset : PLACEMENT_OFFSETS) cells[0].push_back("offset " + std::to_string(offset));
    cells[0].insert(cells[0].end(), {"lowest", "highest"});
    for (const PlacementRow& row : rows) {
        std::vector<std::string> line{row.layout + "/" + row.sample};
        std::optional<double> lowest, highest;
        for (const std::optional<double>& ticks : row.ticks) {
            line.push_back(ticks ? figure(*ticks) : "-");
            if (!ticks) continue;
            lowest = std::min(lowest.value_or(*ticks), *ticks);
            highest = std::max(highest.value_or(*ticks), *ticks);
        }
        line.push_back(lowest ? figure(*lowest) : "-");
        line.push_back(highest ? figure(*highest) : "-");
        cells.push_back(line);
    }
    std::vector<std::size_t> widths(cells[0].size(), 0);
    for (const auto& line : cells)
        for (std::size_t column = 0; column < line.size(); ++column)
            widths[column] = std::max(widths[column], line[column].size());

    std::ostringstream text;
    text << "\nPlacement: headline ticks per scan with the kernel's entry at each offset of its "
            "64-byte line\n";
    for (const auto& line : cells) {
        for (std::size_t column = 0; column < line.size(); ++column) {
            const std::string padding(widths[column] - line[column].size(), ' ');
            text << (column == 0 ? line[column] + padding : "  " + padding + line[column]);
        }
        text << '\n';
    }

    std::vector<const PlacementRow*> long_rows;
    for (const PlacementRow& row : rows)
        if (row.sample == "long" && complete(row)) long_rows.push_back(&row);
    if (long_rows.size() < 2) return text.str();
    text << "\nOrder of the long-sample layouts, compared at the same offset:\n";
    for (std::size_t a = 0; a < long_rows.size(); ++a)
        for (std::size_t b = a + 1; b < long_rows.size(); ++b)
            text << "  " << long_rows[a]->layout << " vs " << long_rows[b]->layout << ": "
                 << verdict_text(*long_rows[a], *long_rows[b]) << '\n';
    return text.str();
}
