#include "selfcheck/report.hpp"

#include <cstdint>

#include "meter/cycle_meter.hpp"
#include "run/console.hpp"
#include "selfcheck/selfcheck_cases.hpp"
#include "selfcheck/verdict.hpp"

namespace {

constexpr Text BYTES_TEXT{" bytes"};
constexpr Text SEPARATOR_TEXT{", "};
constexpr Text PER_ADD_TEXT{" ticks per add, ratio to 1000 adds "};
constexpr Text LINE_END{"\r\n"};
constexpr Text LINEAR_TEXT{"verdict: linear: "};
constexpr Text RATIOS_TEXT{" (ratios "};
constexpr Text AND_TEXT{" and "};
constexpr Text RATIOS_TAIL_TEXT{", expected 0.5 and 2 within 2 %); empty kernel: "};
constexpr Text OPEN_TEXT{" ("};
constexpr Text EMPTY_TAIL_TEXT{" ticks, expected within 2 of 0)\r\n"};
constexpr Text YES_TEXT{"yes"};
constexpr Text NO_TEXT{"no"};
static_assert(LINEARITY_TOLERANCE_PERCENT == 2 && EMPTY_TOLERANCE_TICKS == 2,
              "the verdict line states both tolerances");

// One number buffer per figure per row, zero-filled: format_int32 writes at most 12 bytes
// and format_thousandths at most 16, so every figure keeps a readable zero tail.
struct ReportLine {
    char ticks[20];
    char code_bytes[20];
    char per_add[20];
    char ratio[20];
};

ReportLine report_lines[SELFCHECK_CASE_COUNT];

const char* yes_no(bool holds) { return holds ? YES_TEXT.bytes : NO_TEXT.bytes; }

}  // namespace

int run_selfcheck() {
    // All measurements first: a chain's line needs the 1000-chain's figure. The figure is
    // the low 32 bits of the ticks per run, read as signed, as the benchmark shows it.
    std::int32_t figures[SELFCHECK_CASE_COUNT];
    for (std::size_t row = 0; row < SELFCHECK_CASE_COUNT; ++row) {
        selfcheck_cases[row].measure_ticks();
        figures[row] = static_cast<std::int32_t>(static_cast<std::uint32_t>(meter_result));
    }
    for (std::size_t row = 0; row < SELFCHECK_CASE_COUNT; ++row) {
        const SelfcheckCase& selfcheck_case = selfcheck_cases[row];
        ReportLine& line = report_lines[row];
        format_int32(figures[row], line.ticks);
        write_text(line.ticks);
        write_text(selfcheck_case.label);
        format_int32(static_cast<std::int32_t>(*selfcheck_case.code_bytes), line.code_bytes);
        write_text(line.code_bytes);
        write_text(BYTES_TEXT.bytes);
        if (selfcheck_case.chain_length > 0) {
            // Ticks per add: each add waits one core cycle for the one before it, so this
            // is the time-stamp-counter ticks per core cycle.
            format_thousandths(figures[row], selfcheck_case.chain_length, line.per_add);
            format_thousandths(figures[row], figures[CHAIN_1000_ROW], line.ratio);
            write_text(SEPARATOR_TEXT.bytes);
            write_text(line.per_add);
            write_text(PER_ADD_TEXT.bytes);
            write_text(line.ratio);
        }
        write_text(LINE_END.bytes);
    }

    const SelfcheckVerdict verdict =
        judge_selfcheck({figures[EMPTY_ROW], figures[CHAIN_500_ROW], figures[CHAIN_1000_ROW],
                         figures[CHAIN_2000_ROW]});
    write_text(LINEAR_TEXT.bytes);
    write_text(yes_no(verdict.linear));
    write_text(RATIOS_TEXT.bytes);
    write_text(report_lines[CHAIN_500_ROW].ratio);
    write_text(AND_TEXT.bytes);
    write_text(report_lines[CHAIN_2000_ROW].ratio);
    write_text(RATIOS_TAIL_TEXT.bytes);
    write_text(yes_no(verdict.empty_near_zero));
    write_text(OPEN_TEXT.bytes);
    write_text(report_lines[EMPTY_ROW].ticks);
    write_text(EMPTY_TAIL_TEXT.bytes);
    return verdict.linear && verdict.empty_near_zero && !write_failed() ? 0 : 1;
}
