#include "run/report.hpp"

#include <cstdint>

#include "console/console.hpp"
#include "console/number_format.hpp"
#include "console/report_row.hpp"
#include "meter/cycle_meter.hpp"
#include "platform/winapi.hpp"
#include "run/bench_cases.hpp"

namespace {

constexpr Text BYTES_TEXT{" bytes, len="};
constexpr Text LINE_END{"\r\n"};
// Ends with a carriage return alone: the cursor waits at the start of the prompt line.
constexpr Text CLOSING_PROMPT{"\r\n--- ok ---\r"};
constexpr Text FINAL_LINE_END{"\r\n"};
constexpr Text PROGRAM_TEXT{"jumpbench"};
constexpr Text NO_CONSEQUENCE{""};

// One number buffer per figure per row.
struct ReportLine {
    FigureText ticks;
    FigureText code_bytes;
    FigureText scan_length;
};

ReportLine report_lines[BENCH_CASE_COUNT];

}  // namespace

void run_benchmark() {
    // Said before the first measurement, so that it is said however the run ends, and on
    // standard error, so that the report stays the same bytes.
    note_emulator(PROGRAM_TEXT.bytes, NO_CONSEQUENCE.bytes);
    for (std::size_t row = 0; row < BENCH_CASE_COUNT; ++row) {
        const BenchCase& bench_case = bench_cases[row];
        ReportLine& line = report_lines[row];
        // Nothing is written while a measurement runs: the line follows it.
        const std::uint32_t scan_length = bench_case.measure_cycles();
        write_row_start(shown_ticks(), nullptr, bench_case, line.ticks, line.code_bytes);
        write_text(BYTES_TEXT.bytes);
        format_int32(static_cast<std::int32_t>(scan_length), line.scan_length.bytes);
        write_text(line.scan_length.bytes);
        write_text(LINE_END.bytes);
    }
    write_text(CLOSING_PROMPT.bytes);
    await_keypress();
    write_text(FINAL_LINE_END.bytes);
    ExitProcess(write_failed() ? 1 : 0);
}
