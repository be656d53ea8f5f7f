// What every report of the stats tool writes its figures and tables with: one number
// formatter, one table writer; and the one reader of whole numbers in its arguments.
#pragma once

#include <string>
#include <vector>

// `value` with `decimals` decimals ("%.3f"), or with SIGNIFICANT six significant digits as
// "%.6g" gives them. Never a locale's decimal comma: the tool sets no locale.
inline constexpr int SIGNIFICANT = -1;
std::string number_text(double value, int decimals);

// Lines of cells as a table, each line after `indent`: the first column left-aligned, the
// others right-aligned, two spaces between columns, no trailing blanks.
std::string table_text(const std::vector<std::vector<std::string>>& lines,
                       const std::string& indent = "");

// Whether `text` is a whole decimal number from `low` to `high`, all of it; `value` is it.
bool read_integer(const char* text, long long low, long long high, long long& value);
