// jumpbench-compare: the stats tool's runs from several machines side by side. Reads every
// run first and refuses bad input with one line each (exit 2) before it writes anything;
// makes every output's content, the chart's image included, before it writes any file;
// opens every file's temporary before it writes any, and writes each whole or not at all
// (exit 1 when one cannot be written).
#include <cstdio>
#include <string>
#include <vector>

#include "compare/chart.hpp"
#include "compare/comparison.hpp"
#include "compare/render.hpp"
#include "compare/runs.hpp"
#include "host/gnuplot.hpp"
#include "host/numbers.hpp"
#include "host/output_file.hpp"

namespace {

constexpr int EXIT_FAILED = 1;
constexpr int EXIT_BAD_INPUT = 2;
constexpr char TOOL[] = "jumpbench-compare";

constexpr char USAGE[] =
    "usage: jumpbench-compare [--reference=LAYOUT] [--csv=FILE] [--markdown=FILE]\n"
    "                         [--chart=FILE.png] [--offset=N] RUN.json...\n"
    "       jumpbench-compare --trim=OUT.json RUN.json\n"
    "  RUN.json        the stats tool's JSON (--benchmark_out=FILE), one per run, any number\n"
    "  --reference     the layout every ratio is taken against (default few_jumps)\n"
    "  --csv, --markdown  the table as CSV (one line per run and row) or Markdown, into FILE\n"
    "  --chart         a PNG drawn by gnuplot: at one offset, a group of bars per layout,\n"
    "                  a colour per machine, the intervals as error bars\n"
    "  --offset        the chart's offset (default 0)\n"
    "  --trim          writes the run's context and pairs only, small enough to keep in git\n"
    "exit status: 0 done; 1 an output could not be written; 2 bad flags or input\n";

void say(const std::string& line) { std::fprintf(stderr, "%s: %s\n", TOOL, line.c_str()); }

struct Flags {
    std::string reference = "few_jumps";
    std::string csv, markdown, chart, trim;
    int offset = 0;
    std::vector<std::string> runs;
};

// "" when the flags are sound; else one line.
std::string read_flags(int argc, char** argv, Flags& flags, bool& help) {
    for (int index = 1; index < argc; ++index) {
        const std::string argument = argv[index];
        const auto value = [&](const char* name, std::string& into) {
            const std::string prefix = std::string(name) + "=";
            if (!argument.starts_with(prefix)) return false;
            into = argument.substr(prefix.size());
            return true;
        };
        std::string offset;
        if (argument == "--help" || argument == "-h") {
            help = true;
        } else if (value("--reference", flags.reference) || value("--csv", flags.csv) ||
                   value("--markdown", flags.markdown) || value("--chart", flags.chart) ||
                   value("--trim", flags.trim)) {
            if (argument.back() == '=') return "'" + argument + "' needs a value";
        } else if (value("--offset", offset)) {
            long long bytes;
            if (!read_integer(offset.c_str(), 0, 9999, bytes))
                return "'" + argument + "': the offset is a number of bytes, 0 to 9999";
            flags.offset = static_cast<int>(bytes);
        } else if (argument.starts_with("-") && argument != "-") {
            return "unknown flag '" + argument + "'";
        } else {
            flags.runs.push_back(argument);
        }
    }
    if (help) return "";
    if (flags.runs.empty()) return "no run given";
    if (!flags.trim.empty() && (flags.runs.size() != 1 || !flags.csv.empty() || !flags.markdown.empty() ||
                                !flags.chart.empty()))
        return "--trim takes one run and no other output";
    return "";
}

}  // namespace

int main(int argc, char** argv) {
    prepare_output(TOOL);
    Flags flags;
    bool help = false;
    if (const std::string problem = read_flags(argc, argv, flags, help); !problem.empty()) {
        say(problem + " (--help)");
        return EXIT_BAD_INPUT;
    }
    if (help) {
        if (const std::string problem = write_standard_output(USAGE); !problem.empty()) {
            say(problem);
            return EXIT_FAILED;
        }
        return 0;
    }

    // Every run read and checked first; each bad one says why.
    std::vector<Run> runs(flags.runs.size());
    bool bad = false;
    for (std::size_t index = 0; index < flags.runs.size(); ++index)
        if (const std::string problem = load_run(flags.runs[index], runs[index]); !problem.empty()) {
            say(problem);
            bad = true;
        }
    if (bad) return EXIT_BAD_INPUT;

    if (!flags.trim.empty()) {
        if (const std::string problem = write_output_file(flags.trim, runs.front().trimmed); !problem.empty()) {
            say(problem);
            return EXIT_FAILED;
        }
        return 0;
    }

    Comparison comparison;
    if (const std::string problem = compare_runs(runs, flags.reference, comparison); !problem.empty()) {
        say(problem);
        return EXIT_BAD_INPUT;
    }

    // Every output made before any is written.
    std::vector<std::string> targets, contents;
    if (!flags.csv.empty()) {
        targets.push_back(flags.csv);
        contents.push_back(csv_table(comparison, runs));
    }
    if (!flags.markdown.empty()) {
        targets.push_back(flags.markdown);
        contents.push_back(markdown_table(comparison, runs));
    }
    if (!flags.chart.empty()) {
        const std::string script = chart_script(comparison, flags.offset);
        if (script.empty()) {
            say("--offset=" + std::to_string(flags.offset) + ": no layout was measured at that offset");
            return EXIT_BAD_INPUT;
        }
        std::string image;
        if (const std::string problem = draw_png(script, CHART_TIMEOUT_SECONDS, image); !problem.empty()) {
            say(problem + "; nothing written");
            return EXIT_FAILED;
        }
        targets.push_back(flags.chart);
        contents.push_back(std::move(image));
    }
    // Every temporary file opened before any is written: a target that cannot be written
    // stops the tool with every file as it was.
    std::vector<OutputFile> files;
    if (const std::string problem = open_output_files(targets, false, files); !problem.empty()) {
        say(problem + "; nothing written");
        return EXIT_FAILED;
    }
    if (const std::string problem = write_standard_output(console_table(comparison, runs)); !problem.empty()) {
        say(problem + "; nothing written");
        for (OutputFile& file : files) abandon_output_file(file);
        return EXIT_FAILED;
    }
    int status = 0;
    for (std::size_t index = 0; index < files.size(); ++index)
        if (const std::string problem = commit_output_file(files[index], contents[index]); !problem.empty()) {
            say(problem);
            status = EXIT_FAILED;
        }
    return status;
}
