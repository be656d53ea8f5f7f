// The stats tool's flags: Google Benchmark's, some with the tool's own defaults and checked
// before Google Benchmark reads them, and the tool's own; the help text.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "stats/segments.hpp"

inline constexpr char TOOL[] = "jumpbench-stats";
inline constexpr int EXIT_FAILED = 1;
inline constexpr int EXIT_USAGE = 2;

// Google Benchmark's flags with the tool's defaults, given before the user's arguments so
// that a flag the user gives wins.
extern const char* const DEFAULT_FLAGS[];
extern const std::size_t DEFAULT_FLAG_COUNT;

// Set when the user asks for --help or -h: print_help then prints it, else it says that
// Google Benchmark refused one of its flags' values.
extern bool help_asked;

// Exits with 1 and a line when standard output could not be written.
void fail_on_lost_output();

// Called by Google Benchmark for --help, and also when it finds a value it does not take
// in one of its flags (then it would exit with 0 after the help text). The tool checks
// those values itself first, so the second is a value it did not foresee.
void print_help();

// The flags this tool reads before Google Benchmark does: it writes the --benchmark_out
// file itself (into a temporary file, renamed when complete), takes the rounds from
// --benchmark_repetitions (refusing a count it cannot use), and keeps
// --benchmark_min_time at 0. Google Benchmark checks the values of its other flags itself.
struct EarlyFlags {
    const char* out = nullptr;
    std::string out_format = "json";
    std::optional<int> rounds;
    bool counters_tabular = true;
};

// The flags' one true/false rule (--realtime, and the tool's reading of
// --benchmark_counters_tabular): true, yes, on, 1, t, y or false, no, off, 0, f, n in any
// case. False for another word, `value` unchanged.
bool read_truth(const char* text, bool& value);

// Takes --benchmark_out out of the arguments and reads --benchmark_out_format; false with a
// message for a value that cannot be used.
bool parse_early_flags(std::vector<char*>& arguments, EarlyFlags& flags);

struct ToolFlags {
    const char* chart = nullptr;
    const char* text = nullptr;  // --text: the long-sample copies scan this file's bytes
    int processes = DEFAULT_PROCESSES;
    bool realtime = true;
    // --placement=fixed: every copy at the address the build gave it, the control for the
    // default, random places laid afresh (meter/laid_copies.hpp)
    bool fixed_places = false;
};

// The flags Google Benchmark left over: the tool's own, or errors.
bool parse_tool_flags(int argc, char** argv, ToolFlags& flags);

// Reads all the flags: the early ones, then Google Benchmark's (benchmark::Initialize, with
// the tool's defaults first and --benchmark_min_time and --benchmark_min_warmup_time 0
// last), then the tool's. -1 to go on, else the exit code (a line has said why).
int read_flags(int argc, char** argv, EarlyFlags& early, ToolFlags& tool);
