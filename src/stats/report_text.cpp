#include "stats/report_text.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

std::string number_text(double value, int decimals) {
    char text[64];
    if (decimals == SIGNIFICANT) std::snprintf(text, sizeof text, "%.6g", value);
    else std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

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

bool read_integer(const char* text, long long low, long long high, long long& value) {
    char* end = nullptr;
    errno = 0;
    value = std::strtoll(text, &end, 10);
    return *text != '\0' && *end == '\0' && errno == 0 && value >= low && value <= high;
}
