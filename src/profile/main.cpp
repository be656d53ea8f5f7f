// jumpbench-profile: what one scan of each kernel copy executes, counted exactly under the
// single-step trap, entered at the copy's entry label and stepped through its exit step.
// The long-sample rows are a copy of every layout of the layout list over the tools' own
// text (tool_text.hpp): the long sample, or the user's file. The short-sample rows are the
// benchmark's own copies, in its meter instances (linked from jumpbench_core).
//
//   jumpbench-profile [--text=FILE]              a table, one line per copy
//   jumpbench-profile [--text=FILE] --csv        the same counts as CSV
//   jumpbench-profile [--text=FILE] --annotate   each copy's listing with the counts per
//                                                instruction
//
// Exit code 0; 1 when a copy could not be stepped (the message names the address) or the
// output could not be written (a full disk, a closed pipe, a file-size limit); 2 for bad
// options or a text that cannot be used (one line names the file), before anything is
// stepped.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/own_disassembly.hpp"
#include "platform/winapi.hpp"
#include "profile/annotate.hpp"
#include "profile/scan_profile.hpp"
#include "profile/tool_text.hpp"
#include "run/bench_cases.hpp"

namespace {

constexpr char USAGE[] =
    "usage: jumpbench-profile [--text=FILE] [--csv | --annotate]\n"
    "  (none)       a table of what one scan of each kernel copy executes\n"
    "  --csv        the same as CSV: layout,sample,instructions,conditional_branches,\n"
    "               conditional_taken,unconditional_jumps,indirect_jumps,line_changes,\n"
    "               window_changes,boundary_jumps\n"
    "  --annotate   each copy's listing with the runs of each instruction per scan and\n"
    "               the times each branch jumped (Linux build)\n"
    "  --text=FILE  the long-sample copies scan FILE's bytes up to its first NUL (at most\n"
    "               1048576) instead of the built-in long sample\n";

enum class Output { table, csv, annotate };

struct Row {
    const BenchCase* copy;
    std::string symbol;  // its labels' stem: few_jumps_text (_entry, _exit)
    std::string layout;  // few_jumps
    std::string sample;  // long
    ScanProfile profile;
};

// The long-sample rows, one per layout, then the benchmark's short-sample rows.
constexpr std::size_t ROW_COUNT = LAYOUT_COUNT + SHORT_BENCH_CASE_COUNT;
using Rows = Row[ROW_COUNT];

unsigned long long ull(std::uint64_t value) { return value; }

void print_table(const Rows& rows, const ToolText& text) {
    std::printf("%-11s  %-6s  %12s  %20s  %17s  %19s  %14s  %14s  %9s  %12s  %14s  %14s\n",
                "layout", "sample", "instructions", "conditional_branches", "conditional_taken",
                "unconditional_jumps", "indirect_jumps", "taken_branches", "not_taken",
                "line_changes", "window_changes", "boundary_jumps");
    for (const Row& row : rows) {
        const ScanCounts& counts = row.profile.counts;
        std::printf("%-11s  %-6s  %12llu  %20llu  %17llu  %19llu  %14llu  %14llu  %9llu  %12llu  "
                    "%14llu  %14llu\n",
                    row.layout.c_str(), row.sample.c_str(), ull(counts.instructions),
                    ull(counts.conditional_branches), ull(counts.conditional_taken),
                    ull(counts.unconditional_jumps), ull(counts.indirect_jumps),
                    ull(taken_branches(counts)), ull(not_taken_branches(counts)),
                    ull(counts.line_changes), ull(counts.window_changes),
                    ull(counts.boundary_jumps));
    }
    std::printf(
        "\nOne scan of the sample: the copy's entry through its exit step, every instruction\n"
        "counted under the single-step trap.\n"
        "taken_branches: conditional_taken + unconditional_jumps + indirect_jumps.\n"
        "not_taken: conditional_branches - conditional_taken.\n"
        "line_changes, window_changes: instructions that start in another 64-byte line,\n"
        "32-byte window, than the one run before them, at the copy's own address.\n"
        "boundary_jumps: jumps run whose bytes cross a 32-byte boundary or end on one.\n"
        "long: %s, %llu bytes before its terminator, FNV-1a 64 %016llx.\n",
        text.name.c_str(), ull(text.length), ull(text.hash));
}

void print_csv(const Rows& rows) {
    std::printf("layout,sample,instructions,conditional_branches,conditional_taken,"
                "unconditional_jumps,indirect_jumps,line_changes,window_changes,boundary_jumps\n");
    for (const Row& row : rows) {
        const ScanCounts& counts = row.profile.counts;
        std::printf("%s,%s,%llu,%llu,%llu,%llu,%llu,%llu,%llu,%llu\n", row.layout.c_str(),
                    row.sample.c_str(), ull(counts.instructions), ull(counts.conditional_branches),
                    ull(counts.conditional_taken), ull(counts.unconditional_jumps),
                    ull(counts.indirect_jumps), ull(counts.line_changes),
                    ull(counts.window_changes), ull(counts.boundary_jumps));
    }
}

// Returns false with a message on standard error when a listing could not be made.
bool print_annotated(const Rows& rows) {
    std::printf("runs: times the instruction ran in one scan; taken: times the branch jumped\n\n");
    for (std::size_t index = 0; index < ROW_COUNT; ++index) {
        const BenchCase& bench_case = *rows[index].copy;
        std::string disassembly, error;
        if (!own_disassembly(bench_case.entry, bench_case.exit + EXIT_STEP_SIZE, disassembly,
                             error)) {
            std::fprintf(stderr, "jumpbench-profile: %s\n", error.c_str());
            return false;
        }
        std::printf("%s\n",
                    annotated_listing(rows[index].symbol, bench_case, rows[index].profile,
                                      disassembly).c_str());
    }
    return true;
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
    for (Row& row : rows) {
        const std::string_view name = row.copy->name;
        const std::size_t slash = name.find('/');
        row.layout = name.substr(0, slash);
        row.sample = name.substr(slash + 1);
        // few_jumps/long -> few_jumps_text, few_jumps/short -> few_jumps_short
        row.symbol = row.layout + "_" + (row.copy->label == nullptr ? "text" : row.sample);
        row.profile = profile_case(*row.copy);
        if (!row.profile.error.empty()) {
            std::fprintf(stderr, "jumpbench-profile: %s: %s\n", row.copy->name,
                         row.profile.error.c_str());
            return 1;
        }
    }

    if (output == Output::table) print_table(rows, text);
    if (output == Output::csv) print_csv(rows);
    if (output == Output::annotate && !print_annotated(rows)) return finish_output(1);
    return finish_output(0);
}
