// jumpbench-profile: what one scan of each row's kernel copy executes, counted exactly
// under the single-step trap. The copies stepped are the benchmark's own, in its meter
// instances (linked from jumpbench_core), entered at their entry labels and stepped
// through their exit steps.
//
//   jumpbench-profile              a table, one line per row of the case table
//   jumpbench-profile --csv        the same counts as CSV
//   jumpbench-profile --annotate   each copy's listing with the counts per instruction
//
// Exit code 0; 1 when a copy could not be stepped (the message names the address) or the
// output could not be written (a full disk, a closed pipe, a file-size limit); 2 for bad
// options.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "profile/annotate.hpp"
#include "profile/own_disassembly.hpp"
#include "profile/scan_profile.hpp"
#include "run/bench_cases.hpp"
#include "winapi.hpp"

namespace {

constexpr char USAGE[] =
    "usage: jumpbench-profile [--csv | --annotate]\n"
    "  (none)      a table of what one scan of each kernel copy executes\n"
    "  --csv       the same as CSV: layout,sample,instructions,conditional_branches,\n"
    "              conditional_taken,unconditional_jumps\n"
    "  --annotate  each copy's listing with the runs of each instruction per scan and\n"
    "              the times each branch jumped (Linux build)\n";

enum class Output { table, csv, annotate };

struct Row {
    std::string layout;  // few_jumps
    std::string sample;  // long
    ScanProfile profile;
};

void print_table(const Row (&rows)[BENCH_CASE_COUNT]) {
    std::printf("%-10s  %-6s  %12s  %20s  %17s  %19s  %14s  %9s\n", "layout", "sample",
                "instructions", "conditional_branches", "conditional_taken",
                "unconditional_jumps", "taken_branches", "not_taken");
    for (const Row& row : rows) {
        const ScanCounts& counts = row.profile.counts;
        std::printf("%-10s  %-6s  %12llu  %20llu  %17llu  %19llu  %14llu  %9llu\n",
                    row.layout.c_str(), row.sample.c_str(),
                    static_cast<unsigned long long>(counts.instructions),
                    static_cast<unsigned long long>(counts.conditional_branches),
                    static_cast<unsigned long long>(counts.conditional_taken),
                    static_cast<unsigned long long>(counts.unconditional_jumps),
                    static_cast<unsigned long long>(taken_branches(counts)),
                    static_cast<unsigned long long>(not_taken_branches(counts)));
    }
    std::printf(
        "\nOne scan of the sample: the copy's entry through its exit step, every instruction\n"
        "counted under the single-step trap.\n"
        "taken_branches: conditional_taken + unconditional_jumps.\n"
        "not_taken: conditional_branches - conditional_taken.\n");
}

void print_csv(const Row (&rows)[BENCH_CASE_COUNT]) {
    std::printf("layout,sample,instructions,conditional_branches,conditional_taken,"
                "unconditional_jumps\n");
    for (const Row& row : rows) {
        const ScanCounts& counts = row.profile.counts;
        std::printf("%s,%s,%llu,%llu,%llu,%llu\n", row.layout.c_str(), row.sample.c_str(),
                    static_cast<unsigned long long>(counts.instructions),
                    static_cast<unsigned long long>(counts.conditional_branches),
                    static_cast<unsigned long long>(counts.conditional_taken),
                    static_cast<unsigned long long>(counts.unconditional_jumps));
    }
}

// Returns false with a message on standard error when a listing could not be made.
bool print_annotated(const Row (&rows)[BENCH_CASE_COUNT]) {
    std::printf("runs: times the instruction ran in one scan; taken: times the branch jumped\n\n");
    for (std::size_t index = 0; index < BENCH_CASE_COUNT; ++index) {
        const BenchCase& bench_case = bench_cases[index];
        std::string disassembly, error;
        if (!own_disassembly(bench_case.entry, bench_case.exit + EXIT_STEP_SIZE, disassembly,
                             error)) {
            std::fprintf(stderr, "jumpbench-profile: %s\n", error.c_str());
            return false;
        }
        std::printf("%s\n",
                    annotated_listing(bench_case, rows[index].profile, disassembly).c_str());
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
    for (int index = 1; index < argc; ++index) {
        const std::string_view option = argv[index];
        if (option == "-h" || option == "--help") {
            std::fputs(USAGE, stdout);
            return finish_output(0);
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

    static Row rows[BENCH_CASE_COUNT];
    for (std::size_t index = 0; index < BENCH_CASE_COUNT; ++index) {
        const BenchCase& bench_case = bench_cases[index];
        const std::string_view name = bench_case.name;
        const std::size_t slash = name.find('/');
        rows[index] = {std::string(name.substr(0, slash)), std::string(name.substr(slash + 1)),
                       profile_case(bench_case)};
        if (!rows[index].profile.error.empty()) {
            std::fprintf(stderr, "jumpbench-profile: %s: %s\n", bench_case.name,
                         rows[index].profile.error.c_str());
            return 1;
        }
    }

    if (output == Output::table) print_table(rows);
    if (output == Output::csv) print_csv(rows);
    if (output == Output::annotate && !print_annotated(rows)) return finish_output(1);
    return finish_output(0);
}
