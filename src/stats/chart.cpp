#include "stats/chart.hpp"

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <iterator>
#include <sstream>

#include "host/gnuplot.hpp"

namespace {

// The distinct values of `field` over the points, in the order they first appear.
template <typename Point, typename Field>
std::vector<std::string> distinct(const std::vector<Point>& points, Field field) {
    std::vector<std::string> values;
    for (const Point& point : points)
        if (std::find(values.begin(), values.end(), point.*field) == values.end())
            values.push_back(point.*field);
    return values;
}

std::size_t position(const std::vector<std::string>& values, const std::string& value) {
    return std::find(values.begin(), values.end(), value) - values.begin();
}

// The colour of a placement, the same in every panel.
const char* colour(std::size_t placement) {
    constexpr const char* COLOURS[] = {"#1f77b4", "#e07b00", "#2ca02c", "#d62728", "#8c564b"};
    return COLOURS[placement % std::size(COLOURS)];
}

// One panel: the sample's layouts along x, one colour per placement beside each other,
// and a grey bar from each layout's lowest to its highest figure.
// The right axis shows estimated core cycles where ticks_per_cycle is above 0; both axes'
// ranges are set from the figures, so that their tics are each axis's own round numbers.
void write_panel(std::ostringstream& script, const std::vector<ChartPoint>& panel,
                 const std::string& sample, const std::vector<std::string>& placements,
                 double ticks_per_cycle) {
    const std::vector<std::string> layouts = distinct(panel, &ChartPoint::layout);
    const double spacing = 0.6 / static_cast<double>(placements.size());

    script << "$points_" << sample << " << EOD\n";
    for (const ChartPoint& point : panel) {
        const double x = static_cast<double>(position(layouts, point.layout)) + 1 +
                         (static_cast<double>(position(placements, point.placement)) -
                          static_cast<double>(placements.size() - 1) / 2) * spacing;
        script << x << ' ' << position(placements, point.placement) << ' ' << point.ticks << '\n';
    }
    script << "EOD\n$range_" << sample << " << EOD\n";
    for (std::size_t index = 0; index < layouts.size(); ++index) {
        double low = 0, high = 0;
        bool first = true;
        for (const ChartPoint& point : panel) {
            if (point.layout != layouts[index]) continue;
            low = first ? point.ticks : std::min(low, point.ticks);
            high = first ? point.ticks : std::max(high, point.ticks);
            first = false;
        }
        script << index + 1 << ' ' << low << ' ' << high << '\n';
    }
    script << "EOD\n";

    double lowest = panel.front().ticks, highest = lowest;
    for (const ChartPoint& point : panel) {
        lowest = std::min(lowest, point.ticks);
        highest = std::max(highest, point.ticks);
    }
    const double margin = std::max((highest - lowest) * 0.15, std::abs(highest) * 0.02 + 0.5);
    lowest -= margin;
    highest += margin;
    script << "set yrange [" << lowest << ':' << highest << "]\n";
    if (ticks_per_cycle > 0)
        script << "set y2range [" << lowest / ticks_per_cycle << ':' << highest / ticks_per_cycle
               << "]\nset y2tics\nset y2label \"estimated core cycles per scan\"\n";

    script << "set title \"" << sample << " sample\"\n"
           << "set xrange [0.4:" << layouts.size() + 0.6 << "]\n"
           << "set xtics (";
    for (std::size_t index = 0; index < layouts.size(); ++index)
        script << (index ? ", " : "") << '"' << layouts[index] << "\" " << index + 1;
    script << ")\n"
           << "plot $range_" << sample
           << " using 1:2:(0):($3-$2) with vectors nohead lw 12 lc rgb \"#dddddd\" notitle";
    for (std::size_t index = 0; index < placements.size(); ++index)
        script << ", \\\n     $points_" << sample << " using 1:($2 == " << index
               << " ? $3 : NaN) with points pt 7 ps 1.4 lc rgb \"" << colour(index) << "\" title \""
               << placements[index] << '"';
    script << '\n';
}

// One panel of paired ratios: a point at the median with a bar over the 95 % interval,
// one colour per offset (the per-copy panels' colours), and a dashed line at 1.
void write_ratio_panel(std::ostringstream& script, const std::vector<ChartRatio>& panel,
                       const std::string& name, const std::string& title,
                       const std::vector<std::string>& placements) {
    const std::vector<std::string> labels = distinct(panel, &ChartRatio::label);
    const double spacing = 0.6 / static_cast<double>(placements.size());
    double lowest = 1, highest = 1;
    script << '$' << name << " << EOD\n";
    for (const ChartRatio& ratio : panel) {
        const double x = static_cast<double>(position(labels, ratio.label)) + 1 +
                         (static_cast<double>(position(placements, ratio.offset)) -
                          static_cast<double>(placements.size() - 1) / 2) * spacing;
        // Without an interval, a point with no bar.
        const double low = std::isnan(ratio.low) ? ratio.median : ratio.low;
        const double high = std::isnan(ratio.high) ? ratio.median : ratio.high;
        lowest = std::min(lowest, low);
        highest = std::max(highest, high);
        script << x << ' ' << position(placements, ratio.offset) << ' ' << ratio.median << ' '
               << low << ' ' << high << '\n';
    }
    script << "EOD\n";
    const double margin = std::max((highest - lowest) * 0.15, 0.01);
    script << "set yrange [" << lowest - margin << ':' << highest + margin << "]\n"
           << "set title \"" << title << "\"\n"
           << "set xrange [0.4:" << labels.size() + 0.6 << "]\n"
           << "set xtics rotate by -25 (";
    for (std::size_t index = 0; index < labels.size(); ++index)
        script << (index ? ", " : "") << '"' << labels[index] << "\" " << index + 1;
    script << ")\n"
           << "set arrow 1 from graph 0, first 1 to graph 1, first 1 nohead dt 2 lc rgb \"#777777\"\n"
           << "plot";
    const std::vector<std::string> used = distinct(panel, &ChartRatio::offset);
    for (std::size_t index = 0; index < placements.size(); ++index) {
        if (std::find(used.begin(), used.end(), placements[index]) == used.end()) continue;
        script << (placements[index] == used.front() ? " " : ", \\\n    ") << '$' << name << " using 1:($2 == " << index
               << " ? $3 : NaN):4:5 with yerrorbars pt 7 ps 1.1 lc rgb \"" << colour(index)
               << "\" title \"" << placements[index] << '"';
    }
    script << "\nunset arrow 1\nset xtics norotate\n";
}

}  // namespace

std::string chart_script(const std::vector<ChartPoint>& points,
                         const std::vector<ChartRatio>& ratios, double ticks_per_cycle,
                         const std::string& title) {
    std::ostringstream script;
    script << std::setprecision(10);
    const std::vector<std::string> samples = distinct(points, &ChartPoint::sample);
    const std::vector<std::string> placements = distinct(points, &ChartPoint::placement);
    // The top row: one panel of per-copy figures per sample, each as wide as its layouts
    // need. The bottom row: per sample, the layouts' ratios and the offsets' ratios.
    std::vector<std::vector<ChartPoint>> panels(samples.size());
    for (const ChartPoint& point : points) panels[position(samples, point.sample)].push_back(point);
    std::vector<std::vector<ChartRatio>> ratio_panels;
    std::vector<std::string> ratio_titles;
    for (const std::string& sample : samples)
        for (const bool placement : {false, true}) {
            std::vector<ChartRatio> panel;
            for (const ChartRatio& ratio : ratios)
                if (ratio.sample == sample && ratio.placement == placement) panel.push_back(ratio);
            if (panel.empty()) continue;
            ratio_panels.push_back(panel);
            ratio_titles.push_back(sample + (placement ? ": copy / offset 0" : ": first / second layout"));
        }
    double top_units = 0, bottom_units = 0;
    for (const auto& panel : panels)
        top_units += static_cast<double>(distinct(panel, &ChartPoint::layout).size()) + 2;
    for (const auto& panel : ratio_panels)
        bottom_units += static_cast<double>(distinct(panel, &ChartRatio::label).size()) + 2;
    const double width_units = std::max(top_units, bottom_units * 0.8);
    const bool two_rows = !ratio_panels.empty();
    script << "set terminal pngcairo noenhanced size " << static_cast<int>(width_units * 90 + 200)
           << ',' << (two_rows ? 1150 : 600) << " font \"sans,10\"\n"
           << "set multiplot title \"" << title << "\"\n"
           << "set key below horizontal\nset grid ytics\nset ytics nomirror\n";
    const double row_height = two_rows ? 0.47 : 0.94;
    double origin = 0;
    for (std::size_t index = 0; index < samples.size(); ++index) {
        const double width =
            (static_cast<double>(distinct(panels[index], &ChartPoint::layout).size()) + 2) / top_units;
        script << "set origin " << origin << ',' << (two_rows ? 0.47 : 0) << "\nset size " << width
               << ',' << row_height << "\nset ylabel \"ticks per scan\"\n";
        write_panel(script, panels[index], samples[index], placements, ticks_per_cycle);
        origin += width;
    }
    script << "unset y2tics\nunset y2label\nset ylabel \"ratio of ticks per scan\"\n";
    origin = 0;
    for (std::size_t index = 0; index < ratio_panels.size(); ++index) {
        const double width =
            (static_cast<double>(distinct(ratio_panels[index], &ChartRatio::label).size()) + 2) /
            bottom_units;
        script << "set origin " << origin << ",0\nset size " << width << ',' << row_height << '\n';
        write_ratio_panel(script, ratio_panels[index], "ratios" + std::to_string(index),
                          ratio_titles[index], placements);
        origin += width;
    }
    script << "unset multiplot\n";
    return script.str();
}

std::string draw_chart(const std::string& script, std::string& image) {
    const std::string problem = draw_png(script, CHART_TIMEOUT_SECONDS, image);
    return problem.empty() ? "" : problem + "; no chart written";
}
