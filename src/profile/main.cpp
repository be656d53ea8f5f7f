// jumpbench-profile: what one scan of each kernel copy executes, counted exactly as it is
// stepped instruction by instruction (in an x86 emulator where the build has one, else, or
// with --stepping=trap, under the processor's single-step trap), entered at the copy's entry label and stepped through its exit step,
// every instruction decoded by a real x86 decoder (x86_decoder.hpp).
// The text rows are a copy of every layout of the layout list over the tools' own text
// (tool_text.hpp): the long sample, or the user's file. The short-sample rows are the
// benchmark's own copies, in its meter instances (linked from jumpbench_core).
//
//   jumpbench-profile [--text FILE]              a table, one line per copy
//   jumpbench-profile [--text FILE] --csv        the same counts as CSV
//   jumpbench-profile [--text FILE] --annotate   each copy's listing with the counts per
//                                                instruction
//
// A copy that cannot be stepped to its end (an instruction the decoder refuses, one that
// would leave the code, a scan that runs away) or that scans another length than its
// layout's stop rule gives stays in its own row, which says why; the other rows are
// counted. Exit code 0; 1 when a row failed or the output could not be written (a full
// disk, a closed pipe, a file-size limit); 2 for bad options or a text that cannot be
// used (one line names the file), before anything is stepped.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "kernels/layouts.hpp"
#include "kernels/samples.hpp"
#include "platform/own_disassembly.hpp"
#include "platform/winapi.hpp"
#include "profile/annotate.hpp"
#include "profile/scan_profile.hpp"
#include "profile/tool_text.hpp"
#include "profile/x86_decoder.hpp"
#include "progress/progress.hpp"
#include "run/bench_cases.hpp"

namespace {

constexpr char USAGE[] =
    "usage: jumpbench-profile [--text FILE] [--csv | --annotate] [--stepping=HOW]\n"
    "  (none)       a table of what one scan of each kernel copy executes\n"
    "  --csv        the same as CSV: layout,sample,instructions,conditional_branches,\n"
    "               conditional_taken,unconditional_jumps,indirect_jumps,calls,returns,\n"
    "               scan_length,line_changes,window_changes,boundary_jumps,note\n"
    "  --annotate   each copy's listing with the runs of each instruction per scan and\n"
    "               the times each branch jumped (Linux build)\n"
    "  --text FILE  the text copies scan FILE's bytes up to its first NUL (at most\n"
    "  --text=FILE  1048576) instead of the built-in long sample\n"
    "  --stepping=emulator  step each copy in an x86 emulator (the default where built)\n"
    "  --stepping=trap      step it on the processor under the single-step trap: the\n"
    "               same counts, one trap an instruction (some hundred times slower)\n";

enum class Output { table, csv, annotate };

struct Row {
    const BenchCase* copy;
    std::string symbol;  // its labels' stem: few_jumps_text (_entry, _exit)
    std::string layout;  // few_jumps
    std::string sample;  // long, short, or the user's file's name
    const char* bytes;   // the text the copy scans
    ScanProfile profile;
    // A layout that stops at a blank too and met one before the text's end: the index of
    // that blank, else -1. Its counts are those of the shorter scan.
    long stopped_at_blank = -1;
};

// The text rows, one per layout, then the benchmark's short-sample rows.
constexpr std::size_t ROW_COUNT = LAYOUT_COUNT + SHORT_BENCH_CASE_COUNT;
using Rows = Row[ROW_COUNT];

unsigned long long ull(std::uint64_t value) { return value; }

const Layout* layout_named(std::string_view name) {
    for (const Layout& layout : LAYOUTS)
        if (name == layout.name) return &layout;
    return nullptr;
}

// Checks the row's scan length against its layout's stop rule over its text: the
// terminator ends every scan, a blank too where the rule says so.
void check_scan_length(Row& row) {
    if (!row.profile.error.empty()) return;
    const Layout* layout = layout_named(row.layout);
    const std::size_t terminator = std::strlen(row.bytes);
    std::size_t end = terminator;
    if (layout != nullptr && layout->ends_at_blank) {
        const char* blank = std::strchr(row.bytes, ' ');
        if (blank != nullptr) end = static_cast<std::size_t>(blank - row.bytes);
    }
    if (row.profile.scan_length != end + 1) {
        const std::uint32_t scanned = row.profile.scan_length;
        row.profile.error = "scans " + std::to_string(scanned) + (scanned == 1 ? " byte" : " bytes") +
                            " where its stop rule gives " + std::to_string(end + 1) +
                            (end == terminator ? " (the text and its terminator)"
                                               : " (up to the text's first blank)");
    } else if (end != terminator) {
        row.stopped_at_blank = static_cast<long>(end);
    }
}

std::string scan_length_cell(const Row& row) {
    return std::to_string(row.profile.scan_length) + (row.stopped_at_blank >= 0 ? "*" : "");
}

void print_table(const Rows& rows, const ToolText& text, StepEngine engine) {
    int sample_width = 6;
    for (const Row& row : rows)
        sample_width = std::max(sample_width, static_cast<int>(row.sample.size()));
    std::printf("%-11s  %-*s  %11s  %12s  %20s  %17s  %19s  %14s  %5s  %7s  %14s  %9s  %12s  "
                "%14s  %14s\n",
                "layout", sample_width, "sample", "scan_length", "instructions",
                "conditional_branches", "conditional_taken", "unconditional_jumps",
                "indirect_jumps", "calls", "returns", "taken_branches", "not_taken",
                "line_changes", "window_changes", "boundary_jumps");
    bool any_early = false, any_failed = false;
    for (const Row& row : rows) {
        if (!row.profile.error.empty()) {
            any_failed = true;
            std::printf("%-11s  %-*s  failed: %s\n", row.layout.c_str(), sample_width,
                        row.sample.c_str(), row.profile.error.c_str());
            continue;
        }
        any_early = any_early || row.stopped_at_blank >= 0;
        const ScanCounts& counts = row.profile.counts;
        std::printf("%-11s  %-*s  %11s  %12llu  %20llu  %17llu  %19llu  %14llu  %5llu  %7llu  "
                    "%14llu  %9llu  %12llu  %14llu  %14llu\n",
                    row.layout.c_str(), sample_width, row.sample.c_str(),
                    scan_length_cell(row).c_str(), ull(counts.instructions),
                    ull(counts.conditional_branches), ull(counts.conditional_taken),
                    ull(counts.unconditional_jumps), ull(counts.indirect_jumps), ull(counts.calls),
                    ull(counts.returns), ull(taken_branches(counts)),
                    ull(not_taken_branches(counts)), ull(counts.line_changes),
                    ull(counts.window_changes), ull(counts.boundary_jumps));
    }
    std::printf(
        "\nOne scan of the sample: the copy's entry through its exit step, every instruction\n"
        "stepped %s and decoded by %s.\n"
        "scan_length: the bytes the scan took, its terminator (or the blank that ended it)\n"
        "included.\n",
        step_engine_text(engine).c_str(), decoder_name().c_str());
    if (any_early) {
        std::printf("*: stopped at the text's first blank, as the layout's stop rule says: its\n"
                    "counts are those of the shorter scan, not comparable with the others'.\n");
    }
    if (any_failed) {
        std::printf("failed: the row's copy could not be counted, for the reason given; the other\n"
                    "rows' counts stand.\n");
    }
    std::printf(
        "taken_branches: conditional_taken + unconditional_jumps + indirect_jumps + calls +\n"
        "returns.\n"
        "not_taken: conditional_branches - conditional_taken.\n"
        "line_changes, window_changes: instructions that start in another 64-byte line,\n"
        "32-byte window, than the one run before them, at the copy's own address.\n"
        "boundary_jumps: branches run whose bytes cross a 32-byte boundary or end on one.\n"
        "%s, FNV-1a 64 %016llx.\n",
        describe_text(text).c_str(), ull(text.hash));
}

// A CSV field: quoted where it holds a comma or a quote.
std::string csv_field(const std::string& field) {
    if (field.find_first_of(",\"\n") == std::string::npos) return field;
    std::string quoted = "\"";
    for (const char c : field) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

// The columns of the counts that came first keep their places, for scripts written
// against them; the later ones follow.
void print_csv(const Rows& rows) {
    std::printf("layout,sample,instructions,conditional_branches,conditional_taken,"
                "unconditional_jumps,indirect_jumps,calls,returns,scan_length,line_changes,"
                "window_changes,boundary_jumps,note\n");
    for (const Row& row : rows) {
        std::printf("%s,%s,", row.layout.c_str(), csv_field(row.sample).c_str());
        if (!row.profile.error.empty()) {
            std::printf(",,,,,,,,,,,%s\n", csv_field("failed: " + row.profile.error).c_str());
            continue;
        }
        const ScanCounts& counts = row.profile.counts;
        const std::string note =
            row.stopped_at_blank >= 0
                ? "stopped at the blank at byte " + std::to_string(row.stopped_at_blank)
                : "";
        std::printf("%llu,%llu,%llu,%llu,%llu,%llu,%llu,%u,%llu,%llu,%llu,%s\n",
                    ull(counts.instructions), ull(counts.conditional_branches),
                    ull(counts.conditional_taken), ull(counts.unconditional_jumps),
                    ull(counts.indirect_jumps), ull(counts.calls), ull(counts.returns),
                    row.profile.scan_length, ull(counts.line_changes), ull(counts.window_changes),
                    ull(counts.boundary_jumps), csv_field(note).c_str());
    }
}

// Returns false with a message on standard error when a listing could not be made. A
// failed row has no counts to show: its heading says why.
bool print_annotated(const Rows& rows) {
    std::printf("runs: times the instruction ran in one scan; taken: times the branch jumped\n\n");
    for (std::size_t index = 0; index < ROW_COUNT; ++index) {
        const Row& row = rows[index];
        const BenchCase& bench_case = *row.copy;
        if (!row.profile.error.empty()) {
            std::printf("%s: failed: %s\n\n", row.symbol.c_str(), row.profile.error.c_str());
            continue;
        }
        std::string disassembly, error;
        if (!own_disassembly(bench_case.entry, bench_case.exit + EXIT_STEP_SIZE, disassembly,
                             error)) {
            std::fprintf(stderr, "jumpbench-profile: %s\n", error.c_str());
            return false;
        }
        std::printf("%s\n",
                    annotated_listing(row.symbol, bench_case, row.profile, disassembly).c_str());
    }
    return true;
}

// The engine an option --stepping=NAME names, if it is one.
std::optional<StepEngine> engine_option(std::string_view option) {
    for (const StepEngine engine : {StepEngine::emulator, StepEngine::trap})
        if (option == std::string("--stepping=") + step_engine_name(engine)) return engine;
    return std::nullopt;
}

// Flushes standard output and gives `exit_code`, or 1 with a message when any write to it
// failed: the buffered writes before, or the flush itself.
int finish_output(int exit_code) {
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    if (flushed && !std::ferror(stdout)) return exit_code;
    if (!flushed && errno != 0)
        std::fprintf(stderr, "jumpbench-profile: could not write the output: %s\n",
                     std::strerror(errno));
    else
        std::fprintf(stderr, "jumpbench-profile: could not write the output\n");
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    ignore_write_signals();  // a full pipe or file fails a write, counted at the end
    Output output = Output::table;
    bool chosen = false;
    const char* text_path = nullptr;
    StepEngine engine = default_step_engine();
    for (int index = 1; index < argc; ++index) {
        const std::string_view option = argv[index];
        if (option == "-h" || option == "--help") {
            std::fputs(USAGE, stdout);
            return finish_output(0);
        }
        if (option.starts_with("--text=")) {
            text_path = argv[index] + std::strlen("--text=");
            continue;
        }
        if (option == "--text") {
            if (index + 1 == argc) {
                std::fprintf(stderr, "jumpbench-profile: --text needs a file\n%s", USAGE);
                return 2;
            }
            text_path = argv[++index];
            continue;
        }
        if (const auto named = engine_option(option)) {
            engine = *named;
            if (engine == StepEngine::emulator && !emulator_built()) {
                std::fprintf(stderr, "jumpbench-profile: this build has no x86 emulator; "
                                     "--stepping=trap steps on the processor\n");
                return 2;
            }
            continue;
        }
        const bool csv = option == "--csv", annotate = option == "--annotate";
        if (!csv && !annotate) {
            std::fprintf(stderr, "jumpbench-profile: unknown option '%s'\n%s", argv[index], USAGE);
            return 2;
        }
        if (chosen) {
            std::fprintf(stderr, "jumpbench-profile: give one of --csv and --annotate\n%s", USAGE);
            return 2;
        }
        chosen = true;
        output = csv ? Output::csv : Output::annotate;
    }

    ToolText text;
    if (text_path == nullptr) {
        text = use_long_sample();
    } else if (std::string error; !use_text_file(text_path, text, error)) {
        std::fprintf(stderr, "jumpbench-profile: %s\n", error.c_str());
        return 2;
    }

    static Rows rows;
    std::size_t count = 0;
    for (const BenchCase& copy : text_copies) rows[count++].copy = &copy;
    for (const BenchCase& copy : bench_cases) {
        if (std::string_view(copy.name).ends_with("/short")) rows[count++].copy = &copy;
    }
    Progress progress = progress_on_standard_error();
    bool any_failed = false;
    for (std::size_t index = 0; index < ROW_COUNT; ++index) {
        Row& row = rows[index];
        const std::string_view name = row.copy->name;
        const std::size_t slash = name.find('/');
        const bool on_text = row.copy->label == nullptr;
        row.layout = name.substr(0, slash);
        row.sample = on_text ? text_label(text) : std::string(name.substr(slash + 1));
        row.bytes = on_text ? reinterpret_cast<const char*>(tool_text) : short_sample;
        // few_jumps/long -> few_jumps_text, few_jumps/short -> few_jumps_short
        row.symbol = row.layout + "_" + (on_text ? "text" : row.sample);
        Stepping stepping{&progress, "jumpbench-profile: stepping " + row.layout + " over " + row.sample +
                                         " (" + std::to_string(index + 1) + " of " +
                                         std::to_string(ROW_COUNT) + ")"};
        show_progress(progress, stepping.line, true);
        const StepWatch watch{step_limit_for(std::strlen(row.bytes)), show_stepping, &stepping,
                              engine};
        row.profile = profile_case(*row.copy, watch);
        check_scan_length(row);
        any_failed = any_failed || !row.profile.error.empty();
    }
    end_progress(progress);
    for (const Row& row : rows) {
        if (!row.profile.error.empty())
            std::fprintf(stderr, "jumpbench-profile: %s over %s: %s\n", row.layout.c_str(),
                         row.sample.c_str(), row.profile.error.c_str());
    }

    if (output == Output::table) print_table(rows, text, engine);
    if (output == Output::csv) print_csv(rows);
    if (output == Output::annotate && !print_annotated(rows)) return finish_output(1);
    return finish_output(any_failed ? 1 : 0);
}
