#include "stats/report_text.hpp"

#include <algorithm>

std::string table_text(const std::vector<std::vector<std::string>>& lines, const std::string& indent) {
    std::vector<std::size_t> widths;
    for (const auto& line : lines) {
        widths.resize(std::max(widths.size(), line.size()), 0);
        for (std::size_t column = 0; column < line.size(); ++column)
            widths[column] = std::max(widths[column], line[column].size());
    }
    std::string text;
    for (const auto& line : lines) {
        text += indent;
        for (std::size_t column = 0; column < line.size(); ++column) {
            const std::string padding(widths[column] - line[column].size(), ' ');
            text += column == 0 ? line[column] + padding : "  " + padding + line[column];
        }
        text += '\n';
    }
    return text;
}
