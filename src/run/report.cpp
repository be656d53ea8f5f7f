#include "run/report.hpp"

#include <cstdint>

#include "meter/cycle_meter.hpp"
#include "run/bench_cases.hpp"
#include "run/console.hpp"
#include "winapi.hpp"

namespace {

constexpr Text BYTES_TEXT{" bytes, len="};
constexpr Text LINE_END{"\r\n"};
// Ends with a carriage return alone: the cursor waits at the start of the prompt line.
constexpr Text CLOSING_PROMPT{"\r\n--- ok ---\r"};
constexpr Text FINAL_LINE_END{"\r\n"};

// One number buffer per figure per row, zero-filled: format_int32 writes at most 12
// bytes, so every figure keeps a readable zero tail for text_length.
struct ReportLine {
    char ticks[20];
    char code_bytes[20];
    char scan_length[20];
};

ReportLine report_lines[BENCH_CASE_COUNT];

}  // namespace

void run_benchmark() {
    for (std::size_t row = 0; row < BENCH_CASE_COUNT; ++row) {
        const BenchCase& bench_case = bench_cases[row];
        ReportLine& line = report_lines[row];
        // Nothing is written while a measurement runs: the line follows it.
        const std::uint32_t scan_length = bench_case.measure_cycles();
        // The figure shown is the low 32 bits of the ticks per run, read as signed.
        format_int32(static_cast<std::int32_t>(static_cast<std::uint32_t>(meter_result)),
                     line.ticks);
        write_text(line.ticks);
        write_text(bench_case.label);
        format_int32(static_cast<std::int32_t>(*bench_case.code_bytes), line.code_bytes);
        write_text(line.code_bytes);
        write_text(BYTES_TEXT.bytes);
        format_int32(static_cast<std::int32_t>(scan_length), line.scan_length);
        write_text(line.scan_length);
        write_text(LINE_END.bytes);
    }
    write_text(CLOSING_PROMPT.bytes);
    await_keypress();
    write_text(FINAL_LINE_END.bytes);
    ExitProcess(write_failed() ? 1 : 0);
}
