#include "compare/render.hpp"

#include <algorithm>

#include "host/numbers.hpp"

namespace {

std::string fixed3(double value) { return number_text(value, 3); }

// Enough digits for a program that reads the figure back.
std::string full(double value) { return significant_text(value, 9); }

std::string spread_text(const Row& row, const Group& group) {
    const Spread spread = spread_of(row, group);
    if (spread.count == 0) return "—";
    return fixed3(spread.lowest) + " to " + fixed3(spread.highest) + " (" + std::to_string(spread.count) +
           " runs)";
}

// The header line per column: runs by id; a group of two runs or more has a spread column
// after its runs.
std::vector<std::string> header(const Comparison& comparison) {
    std::vector<std::string> cells = {"layout", "offset"};
    for (const Group& group : comparison.groups) {
        for (const std::size_t column : group.columns) cells.push_back(comparison.columns[column].id);
        if (group.columns.size() > 1) cells.push_back(group.letter + " spread");
    }
    return cells;
}

std::vector<std::string> row_cells(const Comparison& comparison, const Row& row) {
    std::vector<std::string> cells = {row.layout, std::to_string(row.offset)};
    for (const Group& group : comparison.groups) {
        for (const std::size_t column : group.columns) cells.push_back(cell_text(row.cells[column]));
        if (group.columns.size() > 1) cells.push_back(spread_text(row, group));
    }
    return cells;
}

std::vector<std::string> samples_of(const Comparison& comparison) {
    std::vector<std::string> samples;
    for (const Row& row : comparison.rows)
        if (std::find(samples.begin(), samples.end(), row.sample) == samples.end()) samples.push_back(row.sample);
    return samples;
}

// Display width: "—" is one column but three bytes.
std::size_t width(const std::string& text) {
    std::size_t count = 0;
    for (const unsigned char c : text) count += (c & 0xC0) != 0x80;
    return count;
}

std::string pad(const std::string& text, std::size_t to) {
    return text + std::string(to > width(text) ? to - width(text) : 0, ' ');
}

// The run's date and file, and its A/A control: two copies of the same code, whose ratio's
// distance from 1 is what the run's own noise was (a spread across runs wider than that is
// the machine's, not the tool's).
std::string column_line(const std::vector<Run>& runs, const Column& column) {
    const Run& run = runs[column.run];
    std::string text = run.context_value("date") + ", " + run.path;
    for (const RunPair& pair : run.pairs) {
        if (pair.kind != "a/a") continue;
        Cell control{true, pair.median, pair.low, pair.high, false, "", "", ""};
        control.verdict = verdict_of(control);
        text += ", A/A control " + cell_text(control);
        break;
    }
    return text;
}

std::string csv_field(const std::string& text) {
    if (text.find_first_of(",\"\n\r") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string heading(const Comparison& comparison) {
    return "each layout's time over " + comparison.reference +
           "'s at the same offset, the ratio as the run measured it [95 % interval]";
}

// The columns below a table: each group's line, then a line per run of it after `indent`.
template <typename GroupLine>
std::string legend(const Comparison& comparison, const std::vector<Run>& runs, const std::string& indent,
                   GroupLine group_line) {
    std::string text;
    for (const Group& group : comparison.groups) {
        text += group_line(group);
        for (const std::size_t column : group.columns)
            text += indent + comparison.columns[column].id + ": " + column_line(runs, comparison.columns[column]) + "\n";
    }
    return text;
}

}  // namespace

std::string cell_text(const Cell& cell) {
    if (!cell.present) return "—";
    std::string text = fixed3(cell.ratio);
    if (!cell.low) return text + " (no interval)";
    text += " [" + fixed3(*cell.low) + ", " + fixed3(*cell.high) + "] ";
    return text + (cell.verdict == "no difference shown" ? "=" : cell.verdict);
}

std::string console_table(const Comparison& comparison, const std::vector<Run>& runs) {
    std::string text = heading(comparison) + "\n";
    text += "faster, slower: beyond the run's noise band; same: within it; unclear: neither (runs without "
            "a band: faster, slower where the interval excludes 1, = where it holds 1)\n";
    for (const std::string& note : comparison.notes) text += "note: " + note + "\n";
    const std::vector<std::string> head = header(comparison);
    for (const std::string& sample : samples_of(comparison)) {
        std::vector<std::vector<std::string>> lines = {head};
        for (const Row& row : comparison.rows)
            if (row.sample == sample) lines.push_back(row_cells(comparison, row));
        std::vector<std::size_t> widths(head.size(), 0);
        for (const auto& line : lines)
            for (std::size_t index = 0; index < line.size(); ++index)
                widths[index] = std::max(widths[index], width(line[index]));
        text += "\n" + sample + " sample\n";
        for (const auto& line : lines) {
            std::string out;
            for (std::size_t index = 0; index < line.size(); ++index)
            {
                if (index) out += "  ";
                out += pad(line[index], index + 1 < line.size() ? widths[index] : 0);
            }
            text += out + "\n";
        }
    }
    return text + "\ncolumns:\n" + legend(comparison, runs, "     ", [](const Group& group) {
               return "  " + group.letter + ": " + group.processor + "\n     " + group.build + "\n";
           });
}

std::string markdown_table(const Comparison& comparison, const std::vector<Run>& runs) {
    std::string text = heading(comparison) +
                       ". faster, slower: beyond the run's noise band; same: within it; unclear: neither "
                       "(runs without a band: the interval against 1, = where it holds 1).\n";
    for (const std::string& note : comparison.notes) text += "\n**Note:** " + note + ".\n";
    const std::vector<std::string> head = header(comparison);
    const auto line = [](const std::vector<std::string>& cells) {
        std::string out = "|";
        for (const std::string& cell : cells) {
            std::string escaped;
            for (const char c : cell) escaped += c == '|' ? std::string("\\|") : std::string(1, c);
            out += " " + escaped + " |";
        }
        return out + "\n";
    };
    for (const std::string& sample : samples_of(comparison)) {
        text += "\n**" + sample + " sample**\n\n" + line(head) + "|";
        for (std::size_t index = 0; index < head.size(); ++index) text += index < 2 ? "---|" : "---:|";
        text += "\n";
        for (const Row& row : comparison.rows)
            if (row.sample == sample) text += line(row_cells(comparison, row));
    }
    return text + "\nColumns:\n\n" + legend(comparison, runs, "  - ", [](const Group& group) {
               return "- **" + group.letter + "**: " + group.processor + "; " + group.build + "\n";
           });
}

std::string csv_table(const Comparison& comparison, const std::vector<Run>& runs) {
    std::string text =
        "sample,layout,offset,reference,column,file,processor,build,ratio,low,high,verdict,"
        "inverted,run_verdict,delta\n";
    for (const Row& row : comparison.rows)
        for (std::size_t index = 0; index < comparison.columns.size(); ++index) {
            const Cell& cell = row.cells[index];
            if (!cell.present) continue;
            const Column& column = comparison.columns[index];
            const Group& group = comparison.groups[column.group];
            const std::vector<std::string> fields = {
                row.sample, row.layout, std::to_string(row.offset), comparison.reference, column.id,
                runs[column.run].path, group.processor, group.build, full(cell.ratio),
                cell.low ? full(*cell.low) : "", cell.high ? full(*cell.high) : "", cell.verdict,
                cell.inverted ? "yes" : "no", cell.run_verdict, cell.delta};
            for (std::size_t field = 0; field < fields.size(); ++field) {
                if (field) text += ',';
                text += csv_field(fields[field]);
            }
            text += "\n";
        }
    return text;
}
