#include "compare/chart.hpp"

#include <algorithm>
#include <iomanip>
#include <iterator>
#include <sstream>

namespace {

// A colour per group (a machine), distinct enough side by side.
const char* colour(std::size_t group) {
    constexpr const char* COLOURS[] = {"#1f77b4", "#e07b00", "#2ca02c", "#d62728",
                                       "#9467bd", "#8c564b", "#e377c2", "#7f7f7f"};
    return COLOURS[group % std::size(COLOURS)];
}

// gnuplot's strings are in double quotes; a title is the user's own text. (Not named
// quoted: with <iomanip> a non-const string would bind to std::quoted instead.)
std::string gnuplot_string(const std::string& text) {
    std::string out = "\"";
    for (const char c : text)
        out += c == '\n' ? std::string("\\n") : c == '"' || c == '\\' ? std::string("\\") + c : std::string(1, c);
    return out + "\"";
}

}  // namespace

std::string chart_script(const Comparison& comparison, int offset) {
    std::vector<std::string> samples;
    for (const Row& row : comparison.rows)
        if (row.offset == offset && std::find(samples.begin(), samples.end(), row.sample) == samples.end())
            samples.push_back(row.sample);
    if (samples.empty()) return "";
    std::vector<std::size_t> layouts_per_sample;
    std::size_t total = 0;
    for (const std::string& sample : samples) {
        std::size_t count = 0;
        for (const Row& row : comparison.rows) count += row.offset == offset && row.sample == sample;
        layouts_per_sample.push_back(count);
        total += count + 1;
    }
    const std::size_t bars = comparison.columns.size();
    std::ostringstream script;
    script << std::setprecision(9);
    const int width = static_cast<int>(std::max<std::size_t>(700, 200 + total * (bars * 28 + 40)));
    std::string title = "each layout's time over " + comparison.reference + "'s at offset " +
                        std::to_string(offset) + " (95 % intervals)";
    for (const std::string& note : comparison.notes) title += "\n" + note;
    script << "set terminal pngcairo noenhanced size " << width << ",650 font \"sans,10\"\n"
           << "set multiplot title " << gnuplot_string(title) << "\n"
           << "set datafile missing \"?\"\n"
           << "set style data histogram\n"
           << "set style histogram errorbars gap 1 lw 1\n"
           << "set style fill solid 0.85 border -1\n"
           << "set boxwidth 0.9\n"
           << "set key below horizontal\nset grid ytics\nset ytics nomirror\n"
           << "set ylabel \"time / " << comparison.reference << "'s time\"\n"
           << "set xtics rotate by -25\n";
    // One data block per sample: a line per layout, then the median, low and high of each
    // column; "?" where a run has no such pair or no interval.
    double highest = 1;
    for (std::size_t index = 0; index < samples.size(); ++index) {
        script << "$sample" << index << " << EOD\n";
        for (const Row& row : comparison.rows) {
            if (row.offset != offset || row.sample != samples[index]) continue;
            script << gnuplot_string(row.layout);
            for (const Cell& cell : row.cells) {
                if (!cell.present) {
                    script << " ? ? ?";
                    continue;
                }
                const double low = cell.low.value_or(cell.ratio), high = cell.high.value_or(cell.ratio);
                highest = std::max(highest, high);
                script << ' ' << cell.ratio << ' ' << low << ' ' << high;
            }
            script << '\n';
        }
        script << "EOD\n";
    }
    // Bars start at 0: their lengths then compare as the ratios do.
    script << "set yrange [0:" << highest * 1.1 << "]\n";
    double origin = 0;
    for (std::size_t index = 0; index < samples.size(); ++index) {
        const double share = static_cast<double>(layouts_per_sample[index] + 1) / static_cast<double>(total);
        script << "set origin " << origin << ",0\nset size " << share << ",0.95\n"
               << "set title " << gnuplot_string(samples[index] + " sample") << "\n"
               << "set arrow 1 from graph 0, first 1 to graph 1, first 1 nohead dt 2 lc rgb \"#555555\" front\n"
               << "plot";
        for (std::size_t column = 0; column < bars; ++column) {
            const Column& c = comparison.columns[column];
            const Group& group = comparison.groups[c.group];
            const std::size_t field = 2 + 3 * column;
            script << (column ? ", \\\n    " : " ") << "$sample" << index << " using " << field << ':'
                   << field + 1 << ':' << field + 2 << (column == 0 ? ":xtic(1)" : "") << " lc rgb \""
                   << colour(c.group) << '"';
            // One key entry per machine, on its first run's bar; only in the first panel.
            if (index == 0 && column == group.columns.front())
                script << " title "
                       << gnuplot_string(group.letter + ": " + group.processor + ", " + group.build.substr(0, group.build.find(',')));
            else
                script << " notitle";
        }
        script << "\n";
        origin += share;
    }
    script << "unset multiplot\n";
    return script.str();
}
