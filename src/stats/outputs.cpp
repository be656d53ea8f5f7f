#include "stats/outputs.hpp"

#include <strings.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "stats/child_process.hpp"

namespace {

// The table: every cell formatted first, then each column as wide as its widest cell.
constexpr std::size_t COLUMN_COUNT = 9;
constexpr std::size_t CELL_BYTES = MAX_LABEL_BYTES + 1;
constexpr const char* HEADERS[COLUMN_COUNT] = {
    "row", "label", "code_bytes", "scan_length", "min", "median", "max", "spread", "median_cycles"};
constexpr std::size_t LABEL_COLUMN = 1;

char cells[MAX_ROWS + 1][COLUMN_COUNT][CELL_BYTES];

// Colours for the scan lengths, in the order they first appear; more lengths reuse them.
constexpr const char* LENGTH_COLOURS[] = {"#4477aa", "#ee7733", "#228833", "#aa3377", "#66ccee"};
constexpr std::size_t COLOUR_COUNT = sizeof LENGTH_COLOURS / sizeof LENGTH_COLOURS[0];

void print_rows(std::FILE* out, std::size_t row_count, std::size_t column_count) {
    std::size_t widths[COLUMN_COUNT] = {};
    for (std::size_t row = 0; row <= row_count; ++row)
        for (std::size_t column = 0; column < column_count; ++column)
            widths[column] = std::max(widths[column], std::strlen(cells[row][column]));
    for (std::size_t row = 0; row <= row_count; ++row) {
        for (std::size_t column = 0; column < column_count; ++column) {
            const int width = static_cast<int>(widths[column]);
            const bool last = column + 1 == column_count;
            if (column == LABEL_COLUMN)
                std::fprintf(out, "%-*s", width, cells[row][column]);
            else
                std::fprintf(out, "%*s", width, cells[row][column]);
            std::fputs(last ? "\n" : "  ", out);
        }
    }
}

// `text` for a gnuplot string in double quotes: a double quote in it would end the
// string, so it becomes a single one. Gives `buffer`.
const char* gnuplot_text(const char* text, char (&buffer)[CELL_BYTES]) {
    std::size_t i = 0;
    for (; text[i] != '\0' && i + 1 < CELL_BYTES; ++i) buffer[i] = text[i] == '"' ? '\'' : text[i];
    buffer[i] = '\0';
    return buffer;
}

// The script: one data block per scan length (row number, label, median, min, max, the
// median's text), then the bars, the whiskers and the medians' figures over all blocks.
void write_chart_script(std::FILE* script, const char* path, bool svg, const RunFigures& runs,
                        const RowFigures* rows) {
    const RunReport& cases = runs.cases;
    std::int32_t lengths[MAX_ROWS];
    std::size_t length_count = 0;
    for (std::size_t row = 0; row < cases.row_count; ++row) {
        bool seen = false;
        for (std::size_t i = 0; i < length_count; ++i)
            seen = seen || lengths[i] == cases.rows[row].scan_length;
        if (!seen) lengths[length_count++] = cases.rows[row].scan_length;
    }
    const int height = 140 + 44 * static_cast<int>(cases.row_count);
    std::fprintf(script, "set terminal %s noenhanced size 900,%d font \"sans,10\"\n",
                 svg ? "svg" : "pngcairo", height);
    // A single-quoted gnuplot string takes every byte as it is but the quote, doubled.
    std::fputs("set output '", script);
    for (const char* p = path; *p != '\0'; ++p) {
        if (*p == '\'') std::fputc('\'', script);
        std::fputc(*p, script);
    }
    std::fputs("'\n", script);
    char label[CELL_BYTES];
    char median[24];
    for (std::size_t i = 0; i < length_count; ++i) {
        std::fprintf(script, "$length%zu << EOD\n", i);
        for (std::size_t row = 0; row < cases.row_count; ++row) {
            if (cases.rows[row].scan_length != lengths[i]) continue;
            format_halves(rows[row].median_x2, median);
            std::fprintf(script, "%zu \"%s\" %s %lld %lld \"%s\"\n", row + 1,
                         gnuplot_text(cases.rows[row].label, label), median,
                         static_cast<long long>(rows[row].minimum),
                         static_cast<long long>(rows[row].maximum), median);
        }
        std::fputs("EOD\n", script);
    }
    std::fprintf(
        script,
        "set title \"jumpbench: median ticks per scan over %zu runs, whiskers from min to max\"\n"
        "set xlabel \"time-stamp-counter ticks per scan\"\n"
        "set yrange [%zu.6:0.4]\n"
        "set ytics scale 0\n"
        "set grid xtics\n"
        "set key bottom right title \"sample\"\n"
        "set style fill solid 0.7 border -1\n"
        "set offsets 0, graph 0.1, 0, 0\n",
        runs.run_count, cases.row_count);
    // Bars start at 0: without negative figures the axis starts there too.
    bool negative = false;
    for (std::size_t row = 0; row < cases.row_count; ++row)
        negative = negative || rows[row].minimum < 0;
    if (!negative) std::fputs("set xrange [0:*]\n", script);
    std::fputs("plot ", script);
    for (std::size_t i = 0; i < length_count; ++i)
        std::fprintf(script,
                     "$length%zu using (0):1:(0):3:($1-0.35):($1+0.35):ytic(2) with boxxyerror "
                     "lc rgb \"%s\" title \"len=%d\", \\\n",
                     i, LENGTH_COLOURS[i % COLOUR_COUNT], lengths[i]);
    for (std::size_t i = 0; i < length_count; ++i)
        std::fprintf(script,
                     "$length%zu using 3:1:4:5 with xerrorbars lc rgb \"black\" pt -1 notitle, "
                     "$length%zu using 5:1:6 with labels left offset 0.6,0 notitle%s\n",
                     i, i, i + 1 < length_count ? ", \\" : "");
}

}  // namespace

void print_table(std::FILE* out, const char* program, const RunFigures& runs,
                 const RowFigures* rows, const CycleRatio& ratio) {
    const RunReport& cases = runs.cases;
    std::fprintf(out, "%zu run%s of %s", runs.run_count, runs.run_count == 1 ? "" : "s", program);
    if (ratio.known)
        std::fprintf(out, "; ticks per core cycle %g (%s)", ratio.ticks_per_cycle, ratio.source);
    std::fputs("\n\n", out);
    const std::size_t column_count = ratio.known ? COLUMN_COUNT : COLUMN_COUNT - 1;
    for (std::size_t column = 0; column < column_count; ++column)
        std::snprintf(cells[0][column], CELL_BYTES, "%s", HEADERS[column]);
    for (std::size_t row = 0; row < cases.row_count; ++row) {
        const ReportRow& report_row = cases.rows[row];
        const RowFigures& figures = rows[row];
        char(&cell)[COLUMN_COUNT][CELL_BYTES] = cells[row + 1];
        std::snprintf(cell[0], CELL_BYTES, "%zu", row + 1);
        std::snprintf(cell[1], CELL_BYTES, "%s", report_row.label);
        std::snprintf(cell[2], CELL_BYTES, "%d", report_row.code_bytes);
        std::snprintf(cell[3], CELL_BYTES, "%d", report_row.scan_length);
        std::snprintf(cell[4], CELL_BYTES, "%lld", static_cast<long long>(figures.minimum));
        format_halves(figures.median_x2, cell[5]);
        std::snprintf(cell[6], CELL_BYTES, "%lld", static_cast<long long>(figures.maximum));
        if (figures.has_spread)
            std::snprintf(cell[7], CELL_BYTES, "%lld.%lld%%",
                          static_cast<long long>(figures.spread_tenths / 10),
                          static_cast<long long>(figures.spread_tenths % 10));
        else
            std::snprintf(cell[7], CELL_BYTES, "n/a");
        if (ratio.known)
            std::snprintf(cell[8], CELL_BYTES, "%.1f",
                          static_cast<double>(figures.median_x2) / 2.0 / ratio.ticks_per_cycle);
    }
    print_rows(out, cases.row_count, column_count);
    std::fputs(
        "\nmin, median, max: tick figures over the runs; the median of an even number of runs is\n"
        "the mean of the two middle figures.\n"
        "spread: median absolute deviation / |median|; n/a where the median is 0.\n",
        out);
    if (ratio.known)
        std::fputs(
            "median_cycles: median / ticks per core cycle, the median in estimated core cycles.\n",
            out);
}

bool write_csv(const char* path, const RunFigures& runs, Problem& problem) {
    std::FILE* file = std::fopen(path, "w");
    if (file == nullptr) {
        std::snprintf(problem.text, sizeof problem.text, "cannot write the CSV file %s: %s", path,
                      std::strerror(errno));
        return false;
    }
    std::fputs("run,row,label,code_bytes,scan_length,ticks\n", file);
    for (std::size_t run = 0; run < runs.run_count; ++run) {
        for (std::size_t row = 0; row < runs.cases.row_count; ++row) {
            const ReportRow& report_row = runs.cases.rows[row];
            std::fprintf(file, "%zu,%zu,\"", run + 1, row + 1);
            // A quote inside a quoted field is written twice.
            for (const char* p = report_row.label; *p != '\0'; ++p) {
                if (*p == '"') std::fputc('"', file);
                std::fputc(*p, file);
            }
            std::fprintf(file, "\",%d,%d,%d\n", report_row.code_bytes, report_row.scan_length,
                         runs.ticks[row][run]);
        }
    }
    const bool written = std::ferror(file) == 0;
    if (std::fclose(file) != 0 || !written) {
        std::snprintf(problem.text, sizeof problem.text, "writing the CSV file %s failed: %s", path,
                      std::strerror(errno));
        return false;
    }
    return true;
}

bool is_chart_path(const char* path) {
    const std::size_t length = std::strlen(path);
    return length > 4 && (strcasecmp(path + length - 4, ".png") == 0 ||
                          strcasecmp(path + length - 4, ".svg") == 0);
}

bool draw_chart(const char* path, const RunFigures& runs, const RowFigures* rows,
                Problem& problem) {
    pid_t pid = -1;
    int input = -1;
    const int error = start_with_input_pipe("gnuplot", pid, input);
    if (error == ENOENT) {
        std::snprintf(problem.text, sizeof problem.text,
                      "gnuplot, which draws the chart, is not installed or not in PATH "
                      "(Debian: apt-get install gnuplot-nox); no chart written");
        return false;
    }
    if (error != 0) {
        std::snprintf(problem.text, sizeof problem.text, "cannot start gnuplot: %s",
                      std::strerror(error));
        return false;
    }
    std::FILE* script = fdopen(input, "w");
    if (script == nullptr) {
        close(input);
    } else {
        const std::size_t length = std::strlen(path);
        write_chart_script(script, path, strcasecmp(path + length - 4, ".svg") == 0, runs, rows);
        std::fclose(script);
    }
    char end[96];
    const int status = wait_for(pid);
    if (script == nullptr || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::snprintf(problem.text, sizeof problem.text,
                      "gnuplot failed to draw %s (%s; its messages are above)", path,
                      describe_end(status, end, sizeof end));
        return false;
    }
    struct stat made;
    if (stat(path, &made) != 0 || made.st_size == 0) {
        std::snprintf(problem.text, sizeof problem.text, "gnuplot made no chart in %s", path);
        return false;
    }
    return true;
}
