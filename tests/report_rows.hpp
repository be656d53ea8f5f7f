// The benchmark's report rows, in order, as the tests expect them: the label as printed
// between the tab and ", ", the code bytes and the scan length.
#pragma once

#include <cstddef>

struct ReportRow {
    const char* label;
    int code_bytes;
    int scan_length;
};

inline constexpr ReportRow REPORT_ROWS[] = {
    {"cycles  few jumps", 66, 500},
    {"cycles many jumps", 66, 500},
    {"cycles many + xchg al, ah", 78, 500},
    {"cycles elseif jumps", 78, 500},
    {"cycles Switch", 79, 500},
    {"cycles  few jumps", 66, 10},
    {"cycles many jumps", 66, 10},
};
inline constexpr std::size_t REPORT_ROW_COUNT = sizeof REPORT_ROWS / sizeof REPORT_ROWS[0];
