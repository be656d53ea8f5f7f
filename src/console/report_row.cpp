#include "console/report_row.hpp"

#include "console/console.hpp"
#include "console/number_format.hpp"

void write_row_start(std::int32_t ticks, const char* unit, const BenchCase& bench_case,
                     FigureText& ticks_text, FigureText& code_bytes_text) {
    format_int32(ticks, ticks_text.bytes);
    write_text(ticks_text.bytes);
    if (unit != nullptr) write_text(unit);
    write_text(bench_case.label);
    format_int32(static_cast<std::int32_t>(*bench_case.code_bytes), code_bytes_text.bytes);
    write_text(code_bytes_text.bytes);
}
