// What every report of the stats tool writes its figures and tables with: the host tools'
// number formatter and whole-number reader (host/numbers.hpp), and one table writer.
#pragma once

#include <string>
#include <vector>

#include "host/numbers.hpp"

// Lines of cells as a table, each line after `indent`: the first column left-aligned, the
// others right-aligned, two spaces between columns, no trailing blanks.
std::string table_text(const std::vector<std::vector<std::string>>& lines,
                       const std::string& indent = "");
