#include "stats/placement.hpp"

#include <algorithm>

#include "stats/report_text.hpp"

namespace {

std::string figure(double ticks) { return number_text(ticks, SIGNIFICANT); }

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
    return "\nPlacement: headline ticks per scan (the 10th percentile of its undisturbed figures) with the "
           "kernel's entry at each offset of its 64-byte line\n" +
           table_text(cells);
}
