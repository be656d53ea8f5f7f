// jumpbench-stats: runs the benchmark several times with its input at end, checks that
// every run printed the whole report and ended well, and sums the tick figures up per
// case: a table, and on request a CSV file of every figure and a chart.
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "stats/child_process.hpp"
#include "stats/figures.hpp"
#include "stats/outputs.hpp"
#include "stats/report_parse.hpp"

namespace {

constexpr char TOOL[] = "jumpbench-stats";
constexpr char PROGRAM_NAME[] = "jumpbench";
constexpr char SELFCHECK_NAME[] = "jumpbench-selfcheck";
constexpr std::size_t DEFAULT_RUNS = 15;
constexpr std::size_t OUTPUT_CAPACITY = 65536;  // a report is a few hundred bytes
constexpr std::size_t PATH_CAPACITY = 4096;
constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;

constexpr char USAGE[] =
    "Usage: jumpbench-stats [options]\n"
    "Runs the benchmark several times, each with its input at end so that no key is needed,\n"
    "checks that every run printed the whole report and exited 0, and prints per report row\n"
    "the minimum, median and maximum tick figure and the median's spread.\n"
    "\n"
    "  -n N                      number of runs, 1 to 1000 (default 15)\n"
    "  --program PATH            the benchmark (default: jumpbench beside this tool)\n"
    "  --selfcheck               run jumpbench-selfcheck beside the benchmark once and add the\n"
    "                            median in estimated core cycles: median / the self-check's\n"
    "                            ticks per add of its 1000-add chain\n"
    "  --selfcheck-program PATH  the same with this self-check\n"
    "  --ticks-per-cycle R       the same with the ratio R (above 0) given\n"
    "  --csv FILE                write every run's figures to FILE, one line per run and row\n"
    "  --plot FILE               draw the medians with min-max whiskers with gnuplot into\n"
    "                            FILE, a PNG or SVG image by its extension (.png, .svg)\n"
    "  -h, --help                this text\n"
    "\n"
    "median: the middle figure; of an even number of runs, the mean of the two middle ones.\n"
    "spread: the median absolute deviation over |median|, in %; n/a where the median is 0.\n"
    "Any run with an incomplete or malformed report, or that did not exit 0, stops the tool.\n"
    "Exit code: 0 done, 1 a run, the self-check, the CSV file or the chart failed, 2 bad "
    "options.\n";

struct Options {
    std::size_t runs;
    const char* program;  // nullptr: jumpbench beside this tool
    bool selfcheck;
    const char* selfcheck_program;  // nullptr: jumpbench-selfcheck beside the benchmark
    bool ratio_given;
    double ticks_per_cycle;
    const char* csv;
    const char* plot;
    bool help;
};

char output[OUTPUT_CAPACITY];
char program_path[PATH_CAPACITY];
char selfcheck_path[PATH_CAPACITY];
char ratio_source[PATH_CAPACITY + 32];
RunReport run_report;
RunFigures runs;
RowFigures row_figures[MAX_ROWS];

void complain(const char* format, ...) __attribute__((format(printf, 1, 2)));

void complain(const char* format, ...) {
    std::fprintf(stderr, "%s: ", TOOL);
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stderr, format, arguments);
    va_end(arguments);
    std::fputc('\n', stderr);
}

bool bad_option(const char* format, const char* what) {
    complain(format, what);
    std::fprintf(stderr, "Try '%s --help'.\n", TOOL);
    return false;
}

bool parse_options(int argc, char** argv, Options& options) {
    options = Options{DEFAULT_RUNS, nullptr, false, nullptr, false, 0.0, nullptr, nullptr, false};
    for (int i = 1; i < argc; ++i) {
        const char* option = argv[i];
        if (std::strcmp(option, "-h") == 0 || std::strcmp(option, "--help") == 0) {
            options.help = true;
            return true;
        }
        if (std::strcmp(option, "--selfcheck") == 0) {
            options.selfcheck = true;
            continue;
        }
        bool takes_value = false;
        for (const char* name :
             {"-n", "--program", "--selfcheck-program", "--ticks-per-cycle", "--csv", "--plot"})
            takes_value = takes_value || std::strcmp(option, name) == 0;
        if (!takes_value) return bad_option("unknown option '%s'", option);
        if (i + 1 == argc) return bad_option("%s needs a value", option);
        const char* value = argv[++i];
        if (std::strcmp(option, "-n") == 0) {
            // Digits only: strtoul would take a sign or blanks too.
            const std::size_t digits = std::strspn(value, "0123456789");
            const bool number = digits > 0 && digits <= 4 && value[digits] == '\0';
            const unsigned long runs = number ? std::strtoul(value, nullptr, 10) : 0;
            if (runs < 1 || runs > MAX_RUNS)
                return bad_option("-n takes a number of runs from 1 to 1000, not '%s'", value);
            options.runs = runs;
        } else if (std::strcmp(option, "--program") == 0) {
            options.program = value;
        } else if (std::strcmp(option, "--selfcheck-program") == 0) {
            options.selfcheck = true;
            options.selfcheck_program = value;
        } else if (std::strcmp(option, "--ticks-per-cycle") == 0) {
            char* end = nullptr;
            const double ratio = std::strtod(value, &end);
            // The comparison also turns away NaN; the upper bound, infinity.
            if (end == value || *end != '\0' || !(ratio > 0.0) || ratio > 1e9)
                return bad_option("--ticks-per-cycle takes a number above 0, not '%s'", value);
            options.ratio_given = true;
            options.ticks_per_cycle = ratio;
        } else if (std::strcmp(option, "--csv") == 0) {
            options.csv = value;
        } else {
            if (!is_chart_path(value))
                return bad_option(
                    "--plot makes a PNG or SVG image: the file name must end in .png "
                    "or .svg, not '%s'",
                    value);
            options.plot = value;
        }
    }
    if (options.selfcheck && options.ratio_given)
        return bad_option("give %s or the self-check, not both", "--ticks-per-cycle");
    return true;
}

// `name` in the directory of `path` (the directory part up to its last '/', none when
// there is no '/') into `buffer`; false when it does not fit.
bool beside(const char* path, const char* name, char (&buffer)[PATH_CAPACITY]) {
    const char* slash = std::strrchr(path, '/');
    const std::size_t directory = slash != nullptr ? static_cast<std::size_t>(slash - path + 1) : 0;
    return std::snprintf(buffer, PATH_CAPACITY, "%.*s%s", static_cast<int>(directory), path, name) <
           static_cast<int>(PATH_CAPACITY);
}

// The benchmark's path: as given (a path without '/' lies in the current directory, as
// beside "" puts it), or jumpbench in this tool's own directory.
bool find_program(const Options& options) {
    char self[PATH_CAPACITY];
    const char* neighbour = "";
    const char* name = options.program;
    if (name == nullptr) {
        const ssize_t length = readlink("/proc/self/exe", self, sizeof self);
        if (length <= 0 || length == static_cast<ssize_t>(sizeof self)) {
            complain("cannot find this tool's own directory (/proc/self/exe: %s); give --program",
                     length < 0 ? std::strerror(errno) : "path too long");
            return false;
        }
        self[length] = '\0';
        neighbour = self;
        name = PROGRAM_NAME;
    }
    if (!beside(neighbour, name, program_path)) {
        complain("the program's path is longer than %zu bytes", PATH_CAPACITY - 1);
        return false;
    }
    return true;
}

// Runs the self-check once and takes its ticks per add. Its exit code 1 only says that its
// own verdict is no (a busy machine): the figure is still a measured ratio.
bool measure_ratio(const Options& options, CycleRatio& ratio) {
    const char* path = options.selfcheck_program;
    if (path == nullptr) {
        if (!beside(program_path, SELFCHECK_NAME, selfcheck_path)) {
            complain("the self-check's path is longer than %zu bytes", PATH_CAPACITY - 1);
            return false;
        }
        path = selfcheck_path;
    }
    const CapturedRun run = run_captured(path, output, sizeof output);
    char end[96];
    Problem problem;
    if (run.start_error != 0) {
        complain("cannot start the self-check %s: %s", path, std::strerror(run.start_error));
        return false;
    }
    if (!WIFEXITED(run.status) || WEXITSTATUS(run.status) > 1) {
        complain("the self-check %s ended with %s; expected exit code 0 or 1", path,
                 describe_end(run.status, end, sizeof end));
        return false;
    }
    if (run.too_long || !parse_ticks_per_add(output, run.size, ratio.ticks_per_cycle, problem)) {
        complain("the self-check %s: %s", path,
                 run.too_long ? "more output than a self-check report" : problem.text);
        return false;
    }
    if (!(ratio.ticks_per_cycle > 0.0)) {
        complain(
            "the self-check %s measured %g ticks per add, no usable ratio; run it again or give "
            "--ticks-per-cycle",
            path, ratio.ticks_per_cycle);
        return false;
    }
    std::snprintf(ratio_source, sizeof ratio_source, "from the 1000-add chain of %s", path);
    ratio.known = true;
    ratio.source = ratio_source;
    return true;
}

// Runs the benchmark options.runs times; every run must exit 0 and print the whole report
// with the same cases as the first. Stops at the first that does not.
bool collect_runs(const Options& options) {
    char end[96];
    Problem problem;
    runs.run_count = 0;
    for (std::size_t run = 0; run < options.runs; ++run) {
        const CapturedRun captured = run_captured(program_path, output, sizeof output);
        if (captured.start_error != 0) {
            complain("run %zu of %zu: cannot start %s: %s", run + 1, options.runs, program_path,
                     std::strerror(captured.start_error));
            return false;
        }
        if (!WIFEXITED(captured.status) || WEXITSTATUS(captured.status) != 0) {
            complain("run %zu of %zu: %s ended with %s; expected exit code 0", run + 1,
                     options.runs, program_path, describe_end(captured.status, end, sizeof end));
            return false;
        }
        if (captured.too_long) {
            complain("run %zu of %zu: more than %zu bytes of output, no report", run + 1,
                     options.runs, OUTPUT_CAPACITY);
            return false;
        }
        if (!parse_report(output, captured.size, run_report, problem) ||
            (run > 0 && !same_cases(runs.cases, run_report, problem))) {
            complain("run %zu of %zu: %s", run + 1, options.runs, problem.text);
            return false;
        }
        if (run == 0) runs.cases = run_report;
        for (std::size_t row = 0; row < run_report.row_count; ++row)
            runs.ticks[row][run] = run_report.rows[row].ticks;
        runs.run_count = run + 1;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    // A gnuplot that stops reading its script must not end this tool with SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);
    Options options;
    if (!parse_options(argc, argv, options)) return EXIT_USAGE;
    if (options.help) {
        std::fputs(USAGE, stdout);
        return std::fflush(stdout) == 0 ? 0 : EXIT_FAILED;
    }
    if (!find_program(options)) return EXIT_FAILED;
    CycleRatio ratio{false, 0.0, nullptr};
    if (options.ratio_given) ratio = CycleRatio{true, options.ticks_per_cycle, "given"};
    if (options.selfcheck && !measure_ratio(options, ratio)) return EXIT_FAILED;
    if (!collect_runs(options)) return EXIT_FAILED;

    for (std::size_t row = 0; row < runs.cases.row_count; ++row)
        row_figures[row] = summarize(runs.ticks[row], runs.run_count);
    print_table(stdout, program_path, runs, row_figures, ratio);
    if (std::fflush(stdout) != 0) {
        complain("writing the table failed: %s", std::strerror(errno));
        return EXIT_FAILED;
    }
    Problem problem;
    if (options.csv != nullptr && !write_csv(options.csv, runs, problem)) {
        complain("%s", problem.text);
        return EXIT_FAILED;
    }
    if (options.plot != nullptr && !draw_chart(options.plot, runs, row_figures, problem)) {
        complain("%s", problem.text);
        return EXIT_FAILED;
    }
    return 0;
}
