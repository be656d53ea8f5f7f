#include "stats/placement.hpp"

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace {

std::string figure(double ticks) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", ticks);
    return text;
}

}  // namespace

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
    text << "\nPlacement: headline ticks per scan (the median of its undisturbed figures) with the "
            "kernel's entry at each offset of its 64-byte line\n";
    for (const auto& line : cells) {
        for (std::size_t column = 0; column < line.size(); ++column) {
            const std::string padding(widths[column] - line[column].size(), ' ');
            text << (column == 0 ? line[column] + padding : "  " + padding + line[column]);
        }
        text << '\n';
    }
    return text.str();
}
