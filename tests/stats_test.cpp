// The stats tool run as a user runs it, against a stand-in benchmark (stats_stand_in.sh)
// that prints reports laid down by each test: known figures give an exact table, a broken
// run a clear stop, and the CSV file and the chart are checked as files.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "report_rows.hpp"

namespace {

namespace fs = std::filesystem;

using Ticks = std::array<long long, REPORT_ROW_COUNT>;

std::string row_line(std::size_t row, long long ticks) {
    return std::to_string(ticks) + "\t" + REPORT_ROWS[row].label + ", " +
           std::to_string(REPORT_ROWS[row].code_bytes) +
           " bytes, len=" + std::to_string(REPORT_ROWS[row].scan_length) + "\r\n";
}

constexpr char PROMPT[] = "\r\n--- ok ---\r\r\n";

// A whole report, as the benchmark prints it at ended input.
std::string report(const Ticks& ticks) {
    std::string text;
    for (std::size_t row = 0; row < REPORT_ROW_COUNT; ++row) text += row_line(row, ticks[row]);
    return text + PROMPT;
}

// Figures per row (outer) and run (inner), turned into one report per run.
std::vector<std::string> reports(const std::vector<std::vector<long long>>& figures) {
    std::vector<std::string> texts(figures[0].size());
    for (std::size_t run = 0; run < texts.size(); ++run) {
        Ticks ticks{};
        for (std::size_t row = 0; row < REPORT_ROW_COUNT; ++row) ticks[row] = figures[row][run];
        texts[run] = report(ticks);
    }
    return texts;
}

std::string read_file(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

void write_file(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

struct ToolRun {
    std::string end;  // "exit N" or "signal N"
    std::string out;
    std::string err;
};

class StatsTool : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "stats_test.XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        fs::create_symlink(STAND_IN, dir_ / "jumpbench");
        fs::create_symlink(STAND_IN, dir_ / "jumpbench-selfcheck");
    }
    void TearDown() override { fs::remove_all(dir_); }

    // The stand-in's output for each run in turn.
    void set_runs(const std::vector<std::string>& outputs) {
        for (std::size_t i = 0; i < outputs.size(); ++i)
            write_file(dir_ / ("jumpbench." + std::to_string(i + 1) + ".out"), outputs[i]);
    }

    std::string program() const { return (dir_ / "jumpbench").string(); }
    std::string starts(const char* name) const {
        return read_file(dir_ / (std::string(name) + ".count"));
    }

    // Runs `tool` with `arguments`, its input /dev/null, with PATH replaced when given.
    // The stand-ins count their starts from 1 again.
    ToolRun run(std::vector<std::string> arguments, const char* path = nullptr,
                const std::string& tool = STATS_TOOL) {
        fs::remove(dir_ / "jumpbench.count");
        fs::remove(dir_ / "jumpbench-selfcheck.count");
        const fs::path out = dir_ / "tool.out", err = dir_ / "tool.err";
        arguments.insert(arguments.begin(), tool);
        std::vector<char*> argv;
        for (std::string& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        const pid_t pid = fork();
        if (pid == 0) {
            if (freopen("/dev/null", "r", stdin) == nullptr ||
                freopen(out.c_str(), "w", stdout) == nullptr ||
                freopen(err.c_str(), "w", stderr) == nullptr)
                _exit(126);
            if (path != nullptr) setenv("PATH", path, 1);
            execv(argv[0], argv.data());
            _exit(127);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        return {WIFEXITED(status) ? "exit " + std::to_string(WEXITSTATUS(status))
                                  : "signal " + std::to_string(WTERMSIG(status)),
                read_file(out), read_file(err)};
    }

    fs::path dir_;
};

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) result.push_back(line);
    return result;
}

// The table line of report row `row` (from 1): "ROW  LABEL  ..." split after the label
// into its blank-separated figures.
std::vector<std::string> table_figures(const std::string& out, std::size_t row) {
    const std::string start = std::string(row < 10 ? "  " : " ") + std::to_string(row) + "  " +
                              REPORT_ROWS[row - 1].label + " ";
    for (const std::string& line : lines(out)) {
        if (line.rfind(start, 0) != 0) continue;
        std::vector<std::string> figures;
        std::istringstream rest(line.substr(start.size()));
        for (std::string figure; rest >> figure;) figures.push_back(figure);
        return figures;
    }
    ADD_FAILURE() << "no table row " << row << " in:\n" << out;
    return {};
}

using Figures = std::vector<std::string>;

// Odd count: the median is the middle figure. The rows hold negative figures, a median of
// 0 (no spread), all-equal figures, the 32-bit extremes and a spread rounded half up.
TEST_F(StatsTool, TableOfAnOddNumberOfRuns) {
    set_runs(reports({{100, 104, 98, 130, 101},
                      {-5, -3, 2, -4, -3},
                      {0, 0, 1, -1, 0},
                      {2000, 2000, 2000, 2000, 2000},
                      {-2147483648LL, 2147483647, 0, 5, 7},
                      {800, 1000, 1001, 999, 1200},
                      {400, 399, 401, 300, 500}}));
    const ToolRun tool = run({"-n", "5", "--program", program()});
    ASSERT_EQ(tool.end, "exit 0") << tool.err;
    EXPECT_EQ(lines(tool.out)[0], "5 runs of " + program());
    EXPECT_EQ(table_figures(tool.out, 1), (Figures{"66", "500", "98", "101", "130", "3.0%"}));
    EXPECT_EQ(table_figures(tool.out, 2), (Figures{"66", "500", "-5", "-3", "2", "33.3%"}));
    EXPECT_EQ(table_figures(tool.out, 3), (Figures{"78", "500", "-1", "0", "1", "n/a"}));
    EXPECT_EQ(table_figures(tool.out, 4), (Figures{"78", "500", "2000", "2000", "2000", "0.0%"}));
    EXPECT_EQ(table_figures(tool.out, 5),
              (Figures{"79", "500", "-2147483648", "5", "2147483647", "100.0%"}));
    EXPECT_EQ(table_figures(tool.out, 6), (Figures{"66", "10", "800", "1000", "1200", "0.1%"}));
    EXPECT_EQ(table_figures(tool.out, 7), (Figures{"66", "10", "300", "400", "500", "0.3%"}));
    EXPECT_EQ(starts("jumpbench"), "5\n");
    EXPECT_EQ(read_file(dir_ / "jumpbench.stdin"), "/dev/null\n");
}

// Even count: the median is the mean of the two middle figures, and so is the median
// absolute deviation. With a ratio given, the median in cycles is median / ratio.
TEST_F(StatsTool, TableOfAnEvenNumberOfRunsWithCycles) {
    set_runs(reports({{10, 13, 11, 20},
                      {10, 11, 14, 20},
                      {-1, -2, 3, -4},
                      {-1, 1, 5, -5},
                      {7, 7, 7, 8},
                      {1, 2, 3, 4},
                      {-3, -2, -2, -2}}));
    const ToolRun tool = run({"--program", program(), "-n", "4", "--ticks-per-cycle", "0.5"});
    ASSERT_EQ(tool.end, "exit 0") << tool.err;
    EXPECT_EQ(lines(tool.out)[0], "4 runs of " + program() + "; ticks per core cycle 0.5 (given)");
    EXPECT_EQ(table_figures(tool.out, 1),
              (Figures{"66", "500", "10", "12", "20", "12.5%", "24.0"}));
    EXPECT_EQ(table_figures(tool.out, 2),
              (Figures{"66", "500", "10", "12.5", "20", "16.0%", "25.0"}));
    EXPECT_EQ(table_figures(tool.out, 3),
              (Figures{"78", "500", "-4", "-1.5", "3", "100.0%", "-3.0"}));
    EXPECT_EQ(table_figures(tool.out, 4), (Figures{"78", "500", "-5", "0", "5", "n/a", "0.0"}));
    EXPECT_EQ(table_figures(tool.out, 5), (Figures{"79", "500", "7", "7", "8", "0.0%", "14.0"}));
    EXPECT_EQ(table_figures(tool.out, 6), (Figures{"66", "10", "1", "2.5", "4", "40.0%", "5.0"}));
    EXPECT_EQ(table_figures(tool.out, 7), (Figures{"66", "10", "-3", "-2", "-2", "0.0%", "-4.0"}));
}

// The self-check's report as it prints it; the 500 and 2000 lines name the 1000 adds too.
std::string selfcheck_report(const char* per_add_1000) {
    return std::string(
               "0\tticks  empty kernel, 5 bytes\r\n"
               "126\tticks   500 adds, 1505 bytes, 0.252 ticks per add, ratio to 1000 adds "
               "0.504\r\n"
               "250\tticks  1000 adds, 3005 bytes, ") +
           per_add_1000 +
           " ticks per add, ratio to 1000 adds 1.000\r\n"
           "502\tticks  2000 adds, 6005 bytes, 0.251 ticks per add, ratio to 1000 adds 2.008\r\n"
           "verdict: linear: no (ratios 0.504 and 2.008, expected 0.5 and 2 within 2 %); "
           "empty kernel: yes (0 ticks, expected within 2 of 0)\r\n";
}

// A self-check verdict of no (exit code 1) still gives the ratio; by default the
// self-check beside the benchmark runs, once.
TEST_F(StatsTool, SelfcheckBesideTheProgramGivesTheRatio) {
    set_runs(reports({{48}, {-8}, {0}, {1}, {2}, {3}, {4}}));
    write_file(dir_ / "jumpbench-selfcheck.out", selfcheck_report("0.250"));
    write_file(dir_ / "jumpbench-selfcheck.end", "1");
    const ToolRun tool = run({"--program", program(), "-n", "1", "--selfcheck"});
    ASSERT_EQ(tool.end, "exit 0") << tool.err;
    EXPECT_EQ(lines(tool.out)[0], "1 run of " + program() +
                                      "; ticks per core cycle 0.25 (from the 1000-add chain of " +
                                      (dir_ / "jumpbench-selfcheck").string() + ")");
    EXPECT_EQ(table_figures(tool.out, 1).back(), "192.0");
    EXPECT_EQ(table_figures(tool.out, 2).back(), "-32.0");
    EXPECT_EQ(starts("jumpbench-selfcheck"), "1\n");
    EXPECT_EQ(read_file(dir_ / "jumpbench-selfcheck.stdin"), "/dev/null\n");
}

// A self-check that is not there, fails, or gives no usable ratio stops the tool before
// the benchmark runs.
TEST_F(StatsTool, SelfcheckFaults) {
    struct Fault {
        const char* output;
        const char* end;
        const char* message;
    };
    const std::string wrong_line = selfcheck_report("0.250").substr(0, 40);
    const std::string below_zero = selfcheck_report("-0.004");
    const Fault faults[] = {
        {"", "2", "ended with exit code 2; expected exit code 0 or 1"},
        {"", "KILL", "ended with signal 9"},
        {wrong_line.c_str(), "0", "no \"1000 adds\" line with its ticks per add"},
        {below_zero.c_str(), "1", "measured -0.004 ticks per add, no usable ratio"},
    };
    fs::create_symlink(STAND_IN, dir_ / "other-selfcheck");
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.message);
        write_file(dir_ / "other-selfcheck.out", fault.output);
        write_file(dir_ / "other-selfcheck.end", fault.end);
        const ToolRun tool = run(
            {"--program", program(), "--selfcheck-program", (dir_ / "other-selfcheck").string()});
        EXPECT_EQ(tool.end, "exit 1");
        EXPECT_NE(tool.err.find(fault.message), std::string::npos) << tool.err;
        EXPECT_EQ(tool.out, "");
        EXPECT_FALSE(fs::exists(dir_ / "jumpbench.count"));
    }
    const ToolRun missing =
        run({"--program", program(), "--selfcheck-program", (dir_ / "none").string()});
    EXPECT_EQ(missing.end, "exit 1");
    EXPECT_NE(missing.err.find("cannot start the self-check " + (dir_ / "none").string()),
              std::string::npos)
        << missing.err;
}

// Any broken run stops the tool at that run: a message naming it and what is wrong, no
// table, and no run after it.
TEST_F(StatsTool, BrokenRunStopsTheTool) {
    const std::string whole = report({1, 2, 3, 4, 5, 6, 7});
    const std::string rows = whole.substr(0, whole.size() - std::string(PROMPT).size());
    std::string missing_row = whole, other_label = whole, other_bytes = whole, lf_only = whole;
    missing_row.erase(missing_row.find(row_line(3, 4)), row_line(3, 4).size());
    other_label.replace(other_label.find("Switch"), 6, "switch");
    other_bytes.replace(other_bytes.find("79 bytes"), 2, "80");
    lf_only.erase(lf_only.find("\r\n", lf_only.find("\n") + 1), 1);
    struct Fault {
        std::string output;
        const char* end;
        const char* message;
    };
    const std::vector<Fault> faults = {
        {missing_row, "0",
         "row 4 is \"cycles Switch, 79 bytes, len=500\" where run 1 has \"cycles elseif jumps, 78 "
         "bytes, len=500\""},
        {whole.substr(0, whole.find(row_line(6, 7))) + PROMPT, "0",
         "6 report rows where run 1 has 7"},
        {other_label, "0",
         "row 5 is \"cycles switch, 79 bytes, len=500\" where run 1 has \"cycles Switch,"},
        {other_bytes, "0", "row 5 is \"cycles Switch, 80 bytes, len=500\""},
        {rows, "0", "the report ends after line 7 without the closing prompt"},
        {rows + "\r\n--- ok ---\r", "0", "the final CR LF after the closing prompt is missing"},
        {rows + "\r\n--- done ---\r\r\n", "0", "line 9 is not the closing prompt \"--- ok ---\""},
        {rows.substr(0, rows.size() - 5), "0", "line 7 is cut short (no line end)"},
        {lf_only, "0", "line 2 does not end in CR LF"},
        {"1x" + whole.substr(1), "0",
         "line 1 is no report row, the tick figure is no decimal integer"},
        {"2147483648" + whole.substr(1), "0", "line 1 is no report row, the tick figure"},
        {"", "0", "no output at all"},
        {whole, "3", "ended with exit code 3; expected exit code 0"},
        {whole, "KILL", "ended with signal 9"},
    };
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.message);
        set_runs({whole, whole, fault.output, whole});
        write_file(dir_ / "jumpbench.3.end", fault.end);
        const ToolRun tool = run({"--program", program(), "-n", "4"});
        EXPECT_EQ(tool.end, "exit 1");
        EXPECT_EQ(tool.err.rfind("jumpbench-stats: run 3 of 4: ", 0), 0u) << tool.err;
        EXPECT_NE(tool.err.find(fault.message), std::string::npos) << tool.err;
        EXPECT_EQ(tool.out, "");
        EXPECT_EQ(starts("jumpbench"), "3\n");
    }
}

// Every figure of every run, one line each; labels quoted, a quote in one doubled.
TEST_F(StatsTool, CsvHoldsEveryRunsFigures) {
    set_runs(reports({{11, 12}, {-21, 22}, {31, 32}, {41, 42}, {51, 52}, {61, 62}, {71, -72}}));
    const fs::path csv = dir_ / "runs.csv";
    ASSERT_EQ(run({"--program", program(), "-n", "2", "--csv", csv.string()}).end, "exit 0");
    std::string expected = "run,row,label,code_bytes,scan_length,ticks\n";
    for (int run = 1; run <= 2; ++run)
        for (std::size_t row = 0; row < REPORT_ROW_COUNT; ++row)
            expected += std::to_string(run) + "," + std::to_string(row + 1) + ",\"" +
                        REPORT_ROWS[row].label + "\"," + std::to_string(REPORT_ROWS[row].code_bytes) + "," +
                        std::to_string(REPORT_ROWS[row].scan_length) + "," +
                        std::to_string((row + 1) * 10 + run) + "\n";
    expected.replace(expected.find(",21\n"), 4, ",-21\n");
    expected.replace(expected.find(",72\n"), 4, ",-72\n");
    EXPECT_EQ(read_file(csv), expected);
    EXPECT_NE(expected.find("1,3,\"cycles many + xchg al, ah\",78,500,31\n"), std::string::npos);

    set_runs({"5\tcycles say \"hi\", 1 bytes, len=2\r\n" + std::string(PROMPT)});
    ASSERT_EQ(run({"--program", program(), "-n", "1", "--csv", csv.string()}).end, "exit 0");
    EXPECT_EQ(read_file(csv),
              "run,row,label,code_bytes,scan_length,ticks\n"
              "1,1,\"cycles say \"\"hi\"\"\",1,2,5\n");
}

bool gnuplot_installed() {
    std::istringstream path(std::getenv("PATH") != nullptr ? std::getenv("PATH") : "");
    for (std::string directory; std::getline(path, directory, ':');)
        if (access((fs::path(directory) / "gnuplot").c_str(), X_OK) == 0) return true;
    return false;
}

TEST_F(StatsTool, ChartAsPngAndSvg) {
    if (!gnuplot_installed()) GTEST_SKIP() << "gnuplot is not installed";
    set_runs(reports({{1661, 1700, 1650},
                      {1989, 2000, 1900},
                      {2112, 2200, 2100},
                      {1522, 1600, 1500},
                      {1700, 1750, 1690},
                      {45, 50, -3},
                      {24, 30, 20}}));
    const fs::path png = dir_ / "chart.png", svg = dir_ / "chart.SVG";
    const ToolRun png_run = run({"--program", program(), "-n", "3", "--plot", png.string()});
    ASSERT_EQ(png_run.end, "exit 0") << png_run.err;
    const std::string png_bytes = read_file(png);
    EXPECT_EQ(png_bytes.substr(0, 8), "\x89PNG\r\n\x1a\n");
    EXPECT_GT(png_bytes.size(), 5000u);
    const ToolRun svg_run = run({"--program", program(), "-n", "3", "--plot", svg.string()});
    ASSERT_EQ(svg_run.end, "exit 0") << svg_run.err;
    const std::string svg_text = read_file(svg);
    EXPECT_EQ(svg_text.rfind("<?xml", 0), 0u);
    EXPECT_NE(svg_text.find("<svg"), std::string::npos);
    EXPECT_NE(svg_text.find("cycles many + xchg al, ah"), std::string::npos);
    EXPECT_GT(svg_text.size(), 5000u);
}

// Without gnuplot the table still comes, then a clear message and exit code 1.
TEST_F(StatsTool, ChartWithoutGnuplot) {
    set_runs(reports({{1}, {2}, {3}, {4}, {5}, {6}, {7}}));
    fs::create_directory(dir_ / "empty");
    const ToolRun tool =
        run({"--program", program(), "-n", "1", "--plot", (dir_ / "c.png").string()},
            (dir_ / "empty").c_str());
    EXPECT_EQ(tool.end, "exit 1");
    EXPECT_NE(tool.err.find("gnuplot, which draws the chart, is not installed"), std::string::npos)
        << tool.err;
    EXPECT_NE(tool.out.find("cycles Switch"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir_ / "c.png"));
}

// Copied elsewhere, the tool runs the jumpbench beside itself, 15 times by default.
TEST_F(StatsTool, DefaultsToFifteenRunsOfTheProgramBesideIt) {
    set_runs(std::vector<std::string>(15, report({1, 2, 3, 4, 5, 6, 7})));
    fs::copy_file(STATS_TOOL, dir_ / "jumpbench-stats");
    const ToolRun tool = run({}, nullptr, (dir_ / "jumpbench-stats").string());
    EXPECT_EQ(tool.end, "exit 0") << tool.err;
    EXPECT_EQ(lines(tool.out)[0], "15 runs of " + program());
    EXPECT_EQ(starts("jumpbench"), "15\n");
}

// Bad options: a message, exit code 2, and nothing run.
TEST_F(StatsTool, BadOptions) {
    const std::vector<std::vector<std::string>> bad = {
        {"-n", "0"}, {"-n", "1001"}, {"-n", "+5"}, {"-n"}, {"--plot", "c.pdf"},
        {"--ticks-per-cycle", "0"}, {"--ticks-per-cycle", "nan"},
        {"--selfcheck", "--ticks-per-cycle", "1"}, {"--frobnicate"},
    };
    for (std::vector<std::string> arguments : bad) {
        SCOPED_TRACE(arguments[0]);
        arguments.insert(arguments.begin(), {"--program", program()});
        const ToolRun tool = run(arguments);
        EXPECT_EQ(tool.end, "exit 2");
        EXPECT_NE(tool.err.find("Try 'jumpbench-stats --help'."), std::string::npos) << tool.err;
        EXPECT_FALSE(fs::exists(dir_ / "jumpbench.count"));
    }
    const ToolRun help = run({"--help"});
    EXPECT_EQ(help.end, "exit 0");
    EXPECT_EQ(help.out.rfind("Usage: jumpbench-stats [options]\n", 0), 0u);
}

}  // namespace
