#include "selfcheck/report.hpp"

#include <cstdint>

#include "meter/cycle_meter.hpp"
#include "console/console.hpp"
#include "console/number_format.hpp"
#include "console/report_row.hpp"
#include "selfcheck/selfcheck_cases.hpp"
#include "selfcheck/verdict.hpp"

namespace {

constexpr Text PROGRAM_TEXT{"jumpbench-selfcheck"};
constexpr Text NOT_JUDGED_NOTE{", so the verdict is not judged"};
constexpr Text WRITE_FAILED_TEXT{
    "jumpbench-selfcheck: could not write the report to standard output\r\n"};
constexpr Text TICK_TEXT{"\ttick"};
constexpr Text TICKS_TEXT{"\tticks"};
constexpr Text BYTES_TEXT{" bytes"};
constexpr Text SEPARATOR_TEXT{", "};
constexpr Text PER_ADD_TEXT{" ticks per add, ratio to 1000 adds "};
constexpr Text LINE_END{"\r\n"};
constexpr Text LINEAR_TEXT{"verdict: linear: "};
constexpr Text RATIOS_TEXT{" (ratios "};
constexpr Text AND_TEXT{" and "};
constexpr Text RATIOS_TAIL_TEXT{", expected 0.5 and 2 within 2 %); empty kernel: "};
constexpr Text OPEN_TEXT{" ("};
constexpr Text EMPTY_TICK_TEXT{" tick"};
constexpr Text EMPTY_TICKS_TEXT{" ticks"};
constexpr Text EMPTY_TAIL_TEXT{", expected within 2 of 0)"};
constexpr Text UNDER_TEXT{"; under "};
constexpr Text UNDER_TAIL_TEXT{" the figures are the emulator's"};
constexpr Text YES_TEXT{"yes"};
constexpr Text NO_TEXT{"no"};
constexpr Text NOT_JUDGED_TEXT{"not judged"};
static_assert(LINEARITY_TOLERANCE_PERCENT == 2 && EMPTY_TOLERANCE_TICKS == 2,
              "the verdict line states both tolerances");

// One number buffer per figure per row.
struct ReportLine {
    FigureText ticks;
    FigureText code_bytes;
    FigureText per_add;
    FigureText ratio;
};

ReportLine report_lines[SELFCHECK_CASE_COUNT];

const char* judged_text(bool judged, bool holds) {
    if (!judged) return NOT_JUDGED_TEXT.bytes;
    return holds ? YES_TEXT.bytes : NO_TEXT.bytes;
}

bool singular(std::int32_t ticks) { return ticks == 1 || ticks == -1; }

}  // namespace

int write_selfcheck_report(const std::int32_t (&figures)[SELFCHECK_CASE_COUNT],
                           const char* emulator) {
    for (std::size_t row = 0; row < SELFCHECK_CASE_COUNT; ++row) {
        const SelfcheckCase& selfcheck_case = selfcheck_cases[row];
        ReportLine& line = report_lines[row];
        write_row_start(figures[row], singular(figures[row]) ? TICK_TEXT.bytes : TICKS_TEXT.bytes,
                        selfcheck_case.copy, line.ticks, line.code_bytes);
        write_text(BYTES_TEXT.bytes);
        if (selfcheck_case.chain_length > 0) {
            // Ticks per add: each add waits one core cycle for the one before it, so this
            // is the time-stamp-counter ticks per core cycle.
            format_thousandths(figures[row], selfcheck_case.chain_length, line.per_add.bytes);
            format_thousandths(figures[row], figures[CHAIN_1000_ROW], line.ratio.bytes);
            write_text(SEPARATOR_TEXT.bytes);
            write_text(line.per_add.bytes);
            write_text(PER_ADD_TEXT.bytes);
            write_text(line.ratio.bytes);
        }
        write_text(LINE_END.bytes);
    }

    // Under an emulator the figures say how fast the emulator ran the chains, so a verdict
    // on them would judge the emulator: the line gives the figures it would judge and says
    // why it does not.
    const bool judged = emulator == nullptr;
    const SelfcheckVerdict verdict =
        judge_selfcheck({figures[EMPTY_ROW], figures[CHAIN_500_ROW], figures[CHAIN_1000_ROW],
                         figures[CHAIN_2000_ROW]});
    write_text(LINEAR_TEXT.bytes);
    write_text(judged_text(judged, verdict.linear));
    write_text(RATIOS_TEXT.bytes);
    write_text(report_lines[CHAIN_500_ROW].ratio.bytes);
    write_text(AND_TEXT.bytes);
    write_text(report_lines[CHAIN_2000_ROW].ratio.bytes);
    write_text(RATIOS_TAIL_TEXT.bytes);
    write_text(judged_text(judged, verdict.empty_near_zero));
    write_text(OPEN_TEXT.bytes);
    write_text(report_lines[EMPTY_ROW].ticks.bytes);
    write_text(singular(figures[EMPTY_ROW]) ? EMPTY_TICK_TEXT.bytes : EMPTY_TICKS_TEXT.bytes);
    write_text(EMPTY_TAIL_TEXT.bytes);
    if (!judged) {
        write_text(UNDER_TEXT.bytes);
        write_text(emulator);
        write_text(UNDER_TAIL_TEXT.bytes);
    }
    write_text(LINE_END.bytes);
    return !judged || (verdict.linear && verdict.empty_near_zero) ? 0 : 1;
}

int run_selfcheck() {
    const char* const emulator = note_emulator(PROGRAM_TEXT.bytes, NOT_JUDGED_NOTE.bytes);
    // All measurements first: a chain's line needs the 1000-chain's figure.
    std::int32_t figures[SELFCHECK_CASE_COUNT];
    for (std::size_t row = 0; row < SELFCHECK_CASE_COUNT; ++row) {
        selfcheck_cases[row].copy.measure_cycles();
        figures[row] = shown_ticks();
    }
    const int verdict_code = write_selfcheck_report(figures, emulator);
    // Every write went straight to the handle: nothing is left to flush.
    if (write_failed()) {
        write_error_text(WRITE_FAILED_TEXT.bytes);
        return 1;
    }
    return verdict_code;
}
